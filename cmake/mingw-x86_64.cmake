# Cross build for 64-bit Windows: the same programs for Wine test beds on
# machines that cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KV_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
