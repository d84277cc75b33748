# 64-bit Windows: the same sources for the tests on machines where 32-bit Wine cannot run.
set(RAVELIN_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
