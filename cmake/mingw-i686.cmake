# 32-bit Windows: the product.
set(RAVELIN_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
