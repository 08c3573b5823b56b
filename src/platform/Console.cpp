#include "platform/Console.h"

#include <cstdio>

#include "platform/TextCodec.h"

namespace velmora {
namespace {

void Write(std::FILE* stream, const std::wstring& text) {
    const std::string narrow = ToNarrow(text);
    std::fwrite(narrow.data(), 1, narrow.size(), stream);
    std::fflush(stream);
}

}  // namespace

void WriteStdout(const std::wstring& text) { Write(stdout, text); }
void WriteStderr(const std::wstring& text) { Write(stderr, text); }

}  // namespace velmora
