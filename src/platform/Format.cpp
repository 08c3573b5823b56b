#include "platform/Format.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace velmora {

std::wstring Format(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int written = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        // vswprintf reports overflow only as a negative result, so grow and retry.
        if (written >= 0 && static_cast<std::size_t>(written) < buffer.size()) {
            return std::wstring(buffer.data(), static_cast<std::size_t>(written));
        }
        if (buffer.size() > (1u << 26)) return std::wstring();
        buffer.resize(buffer.size() * 4);
    }
}

}  // namespace velmora
