# The version the program shows (`vantorel --version`, the about box) is the one the
# package, the man page and the metainfo carry: read it from the product's own header.
file(READ ${PROJECT_SOURCE_DIR}/src/core/desktop/product_info.h _vt_product_info)
foreach(_vt_part major_version minor_version release app_id)
  if(NOT _vt_product_info MATCHES "${_vt_part} = \"?([^\";]*)\"?;")
    message(FATAL_ERROR "product_info.h: no ${_vt_part}")
  endif()
  set(_vt_${_vt_part} "${CMAKE_MATCH_1}")
endforeach()
set(VANTOREL_VERSION "${_vt_major_version}.${_vt_minor_version}${_vt_release}")
set(VANTOREL_APP_ID "${_vt_app_id}")
message(STATUS "Vantorel ${VANTOREL_VERSION} (${VANTOREL_APP_ID})")

# Where the build renders the icons, in the layout of the hicolor theme.
set(VT_ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
