# Lua 5.1 as an imported target: Debian's liblua5.1-0-dev on Linux; a cross build
# may point VELMORA_LUA_INCLUDE_DIR / VELMORA_LUA_LIBRARY at its own static build.
if(NOT TARGET velmora_lua)
  if(NOT VELMORA_LUA_LIBRARY)
    find_path(VELMORA_LUA_INCLUDE_DIR lua.h PATH_SUFFIXES lua5.1 include/lua5.1 REQUIRED)
    find_library(VELMORA_LUA_LIBRARY NAMES lua5.1 lua51 lua REQUIRED)
  endif()
  add_library(velmora_lua INTERFACE)
  target_include_directories(velmora_lua SYSTEM INTERFACE ${VELMORA_LUA_INCLUDE_DIR})
  target_link_libraries(velmora_lua INTERFACE ${VELMORA_LUA_LIBRARY})
  if(NOT WIN32)
    target_link_libraries(velmora_lua INTERFACE m dl)
  endif()
endif()
