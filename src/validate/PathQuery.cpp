#include "validate/PathQuery.h"

#include "platform/FileSystem.h"

namespace velmora {

PathQuery FileSystemPathQuery() {
    return [](const std::wstring& path) {
        // An empty path would otherwise name the current folder on some systems.
        return !path.empty() && fs::Exists(fs::ToPath(path));
    };
}

}  // namespace velmora
