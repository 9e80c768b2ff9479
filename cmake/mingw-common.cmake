# Cross build for Windows with mingw-w64 (posix thread model), for the target
# named by KV_MINGW_TRIPLE; included by the per-processor toolchain files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KV_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
