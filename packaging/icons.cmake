# The PNG renderings of the two icons, made from their SVG drawings at build time so
# that they never drift apart. Included where the program's library is defined: the
# window icon is compiled in from the same renderings.
find_program(VT_RSVG_CONVERT rsvg-convert)
if(NOT VT_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert not found: install librsvg2-bin (packaging/build-deps.txt)")
endif()

set(VT_ICON_SIZES 16 24 32 48 64 128 256)
set(VT_PROGRAM_ICON_PNGS "")
set(VT_ICON_PNGS "")
foreach(kind_name "apps;${VANTOREL_APP_ID}" "mimetypes;application-x-vantorel-list")
  list(GET kind_name 0 kind)
  list(GET kind_name 1 name)
  set(svg ${PROJECT_SOURCE_DIR}/packaging/icons/${name}.svg)
  foreach(size ${VT_ICON_SIZES})
    set(png ${VT_ICON_DIR}/${size}x${size}/${kind}/${name}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VT_ICON_DIR}/${size}x${size}/${kind}
      COMMAND ${VT_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
      DEPENDS ${svg} VERBATIM)
    list(APPEND VT_ICON_PNGS ${png})
    if(kind STREQUAL "apps")
      list(APPEND VT_PROGRAM_ICON_PNGS ${png})
    endif()
  endforeach()
endforeach()
add_custom_target(vantorel_icons ALL DEPENDS ${VT_ICON_PNGS})
