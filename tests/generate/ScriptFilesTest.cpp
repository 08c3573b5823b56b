// The template scripts' file functions: readfile, writefile and removefile reach
// regular files only, write and remove only inside the output folder, and never
// go through a link or into a pipe there.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "TemplateGeneratorFixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

#ifndef _WIN32
// Each call's name, then what it gave: "true", a text, or "nil" and the reason.
constexpr const char* kFileCalls = R"lua(
local log = assert(io.open("files.log", "wb"))
local function record(name, result, why)
  log:write(name, "\t", tostring(result), "\t", tostring(why), "\n")
end
local sep = package.config:sub(1, 1)
local function p(...) return table.concat({ fpath, ... }, sep) end
record("write inside", writefile(p("Sec", "new.txt"), "made by the script"))
record("write the same again", writefile(p("Sec", "new.txt"), "made by the script"))
record("write climbing out", writefile(p("..", "escaped.txt"), "x"))
record("write elsewhere", writefile("escaped.txt", "x"))
record("write through a link", writefile(p("link.txt"), "x"))
record("write into a pipe", writefile(p("pipe"), "x"))
record("read inside", readfile(p("Sec", "new.txt")))
record("read a pipe", readfile(p("pipe")))
record("read through a link", readfile(p("link.txt")))
record("read outside", readfile("outside.txt"))
record("read a device", readfile("/dev/zero"))
record("read missing", readfile(p("nothing")))
record("remove through a link", removefile(p("link.txt")))
record("remove outside", removefile("outside.txt"))
record("remove inside", removefile(p("Sec", "new.txt")))
record("remove missing", removefile(p("Sec", "new.txt")))
log:close()
)lua";

std::map<std::string, std::string> Results(const std::string& log) {
    std::map<std::string, std::string> results;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const std::size_t tab = line.find('\t');
        results[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return results;
}

class ScriptFilesTest : public test::TemplateGeneratorFixture {};

TEST_F(ScriptFilesTest, ReachOnlyRegularFilesAndWriteOnlyInTheOutputFolder) {
    dir.writeFile("tes.lua", kFileCalls);
    dir.writeFile("tens.lua", "");
    dir.writeFile("outside.txt", "outside text");
    dir.writeFile("out/placeholder", "");
    stdfs::create_symlink(dir.file("outside.txt"), dir.file("out/link.txt"));
    ASSERT_EQ(::mkfifo(dir.file("out/pipe").c_str(), 0600), 0);
    AddProjectRow(config.projects, L"Sec", 0, 0, 0x1000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
    ui.queueAnswer(MessageAnswer::Yes);
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);

    const std::string outside = "nil\tthe path lies outside the output folder";
    const std::string inTheWay = "nil\ta symbolic link or a special file is in the way";
    const std::string missing = "nil\tno such file or folder";
    const std::map<std::string, std::string> expected = {
        {"write inside", "true\tnil"},
        {"write the same again", "true\tnil"},
        {"write climbing out", outside},
        {"write elsewhere", outside},
        {"write through a link", inTheWay},
        {"write into a pipe", inTheWay},
        {"read inside", "made by the script\tnil"},
        {"read a pipe", inTheWay},
        {"read through a link", inTheWay},
        {"read outside", "outside text\tnil"},
        {"read a device", inTheWay},
        {"read missing", missing},
        {"remove through a link", inTheWay},
        {"remove outside", outside},
        {"remove inside", "true\tnil"},
        {"remove missing", missing},
    };
    EXPECT_EQ(Results(dir.readFile("files.log")), expected);
    EXPECT_EQ(dir.readFile("outside.txt"), "outside text");
    EXPECT_TRUE(stdfs::is_symlink(dir.file("out/link.txt")));
    EXPECT_FALSE(stdfs::exists(dir.file("escaped.txt")));
    EXPECT_FALSE(stdfs::exists(dir.file("out/Sec/new.txt")));
}

// What writefile wrote a moment ago is what the rest of the library finds there:
// the file a read opens, the chunk dofile and loadfile run, the file os.rename and
// os.remove act on, the file a command reads; isfile sees it without reading.
constexpr const char* kLibraryCalls = R"lua(
local log = assert(io.open("files.log", "wb"))
local function record(name, ...)
  local parts = {}
  for i = 1, select("#", ...) do parts[#parts + 1] = tostring((select(i, ...))) end
  log:write(name, "\t", table.concat(parts, " "), "\n")
end
local sep = package.config:sub(1, 1)
local function p(...) return table.concat({ fpath, ... }, sep) end
assert(writefile(p("Sec", "made.txt"), "written"))
local f = io.open(p("Sec", "made.txt"), "rb")
record("io.open", f and f:read("*a"))
if f then f:close() end
for line in io.lines(p("Sec", "made.txt")) do record("io.lines", line) end
assert(writefile(p("Sec", "code.lua"), "return 42"))
record("dofile", dofile(p("Sec", "code.lua")))
assert(writefile(p("Sec", "code.lua"), "return 43"))
record("loadfile", loadfile(p("Sec", "code.lua"))())
assert(writefile(p("Sec", "a.txt"), "renamed"))
record("os.rename", os.rename(p("Sec", "a.txt"), p("Sec", "b.txt")))
record("readfile after the rename", readfile(p("Sec", "b.txt")), isfile(p("Sec", "a.txt")))
assert(writefile(p("Sec", "c.txt"), "removed"))
record("os.remove", os.remove(p("Sec", "c.txt")), isfile(p("Sec", "c.txt")))
assert(writefile(p("Sec", "d.txt"), "for the shell"))
os.execute("cat '" .. p("Sec", "d.txt") .. "' > '" .. p("Sec", "e.txt") .. "'")
record("os.execute", readfile(p("Sec", "e.txt")))
assert(writefile(p("Sec", "staged.txt"), "staged"))
record("isfile", isfile(p("Sec", "staged.txt")), isfile(p("Sec", "nothing")), isfile("outside.txt"))
log:close()
)lua";

TEST_F(ScriptFilesTest, TheLibrarySeesWhatTheScriptWrote) {
    dir.writeFile("tes.lua", kLibraryCalls);
    dir.writeFile("tens.lua", "");
    dir.writeFile("outside.txt", "outside text");
    AddProjectRow(config.projects, L"Sec", 0, 0, 0x1000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const std::map<std::string, std::string> expected = {
        {"io.open", "written"},
        {"io.lines", "written"},
        {"dofile", "42"},
        {"loadfile", "43"},
        {"os.rename", "true"},
        {"readfile after the rename", "renamed false"},
        {"os.remove", "true false"},
        {"os.execute", "for the shell"},
        {"isfile", "true false true"},
    };
    EXPECT_EQ(Results(dir.readFile("files.log")), expected);
    EXPECT_EQ(dir.readFile("out/Sec/staged.txt"), "staged");
}
#endif

}  // namespace
}  // namespace velmora
