// Which files an earlier generation left are whole enough to keep as the
// project's own: a Keil or IAR file must end with its root's end tag, a JSON file
// must close its root, a CMake file must close every parenthesis, any other file
// must not be empty.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "generate/WholeFile.h"

namespace velmora {
namespace {

TEST(WholeFile, ProjectFilesMustEndWithTheirRootsEndTag) {
    struct Case {
        const wchar_t* file;
        std::string bytes;
        bool whole;
    };
    const std::string uvprojx =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\r\n"
        "<Project xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\r\n"
        "  <SchemaVersion>2.1</SchemaVersion>\r\n</Project>\r\n";
    const std::vector<Case> cases = {
        {L"A.uvprojx", uvprojx, true},
        {L"A.uvprojx", uvprojx.substr(0, uvprojx.size() - 5), false},
        {L"A.uvprojx", uvprojx.substr(0, uvprojx.size() / 2), false},
        {L"A.uvprojx", "", false},
        {L"A.uvprojx", "   \r\n", false},
        {L"A.uvprojx", "not xml at all", false},
        {L"A.UVOPTX", "\xEF\xBB\xBF<ProjectOpt>\n</ProjectOpt>", true},
        {L"TrustZone.uvmpw", "<!-- note --><!DOCTYPE x><ProjectWorkspace></ProjectWorkspace>\n\n", true},
        {L"A.eww", "<?xml version=\"1.0\"?>\n<workspace>\n  <project>\n", false},
        {L"A.ewp", "<project/>", true},
        {L"A.ewd", "<project attr=\"1\" />\n", true},
        {L"A.ewp", "<project><configuration/></project><!-- cut", false},
        {L"A.ewp", "<projectX></project>", false},
        {L"main_A.c", "int main(void) { return 0; }\n", true},
        {L"main_A.c", "", false},
        {L"A_nsc.h", "x", true},
        {L"CMakePresets.json", "{\n  \"version\": 3,\n  \"configurePresets\": [ { \"name\": \"default\" } ]\n}\n", true},
        {L"CMakePresets.json", "\xEF\xBB\xBF[1, {\"a\": \"}]\\\"\"}]", true},
        {L"CMakePresets.json", "{\n  \"version\": 3,\n  \"configurePresets\": [ { \"name\"", false},
        {L"CMakePresets.json", "{ \"a\": \"}\" ", false},
        {L"CMakePresets.json", "{} {}", false},
        {L"CMakePresets.json", "", false},
        {L"CMakeLists.txt", "project(X C)\nadd_subdirectory(A/GCC A)\n", true},
        {L"CMakeLists.txt", "project(X C)\nadd_subdirectory(A/GCC", false},
        {L"CMakeLists.txt", "# a ( in a comment\nset(A \"(\")\nset(B [==[ ) ]] ]==])\n#[[ ( ]]\n", true},
        {L"CMakeLists.txt", "set(A \"x)\n", false},
        {L"CMakeLists.txt", "set(B [[ never closed )\n", false},
        {L"CMakeLists.txt", "foo())\n", false},
        {L"CMakeLists.txt", "", false},
        {L"arm-none-eabi-gcc.CMAKE", "set(CMAKE_SYSTEM_NAME Generic)", true},
        {L"arm-none-eabi-gcc.cmake", "set(CMAKE_SYSTEM_NAME Gen", false},
        {L"secure.ld", "MEMORY {", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.file, c.file + std::wcslen(c.file)) << ": " << c.bytes);
        EXPECT_EQ(LooksWhole(c.file, c.bytes), c.whole);
    }
}

}  // namespace
}  // namespace velmora
