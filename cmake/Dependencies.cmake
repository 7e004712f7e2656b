# Third-party libraries as the targets lumora_zlib, lumora_png, lumora_jpeg
# and lumora_gif: Debian's packages natively, the set-up script's
# cross-built static libraries (and Debian's mingw zlib) for Windows.

if(WIN32)
  set(_mingw /usr/x86_64-w64-mingw32)
  foreach(_lib libpng16.a libjpeg.a libgif.a)
    if(NOT EXISTS ${LUMORA_WIN_DEPS}/lib/${_lib})
      message(FATAL_ERROR "${LUMORA_WIN_DEPS}/lib/${_lib} is missing: run scripts/setup")
    endif()
  endforeach()
  # Imported targets, so the linker sees each library before what it uses.
  add_library(lumora_zlib STATIC IMPORTED GLOBAL)
  set_target_properties(lumora_zlib PROPERTIES IMPORTED_LOCATION ${_mingw}/lib/libz.a)
  foreach(_pair "png;libpng16.a" "jpeg;libjpeg.a" "gif;libgif.a")
    list(GET _pair 0 _name)
    list(GET _pair 1 _file)
    add_library(lumora_${_name} STATIC IMPORTED GLOBAL)
    set_target_properties(lumora_${_name} PROPERTIES
      IMPORTED_LOCATION ${LUMORA_WIN_DEPS}/lib/${_file}
      INTERFACE_INCLUDE_DIRECTORIES ${LUMORA_WIN_DEPS}/include)
  endforeach()
  set_target_properties(lumora_png PROPERTIES INTERFACE_LINK_LIBRARIES lumora_zlib)

  # GoogleTest from Debian's sources, built with the cross compiler.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  add_library(lumora_zlib INTERFACE)
  add_library(lumora_png INTERFACE)
  add_library(lumora_jpeg INTERFACE)
  add_library(lumora_gif INTERFACE)
  find_package(ZLIB REQUIRED)
  find_package(PNG REQUIRED)
  find_package(JPEG REQUIRED)
  find_package(GIF REQUIRED)
  target_link_libraries(lumora_zlib INTERFACE ZLIB::ZLIB)
  target_link_libraries(lumora_png INTERFACE PNG::PNG)
  target_link_libraries(lumora_jpeg INTERFACE JPEG::JPEG)
  target_link_libraries(lumora_gif INTERFACE GIF::GIF)
  find_package(GTest REQUIRED)
  if(LUMORA_BENCH)
    find_package(benchmark REQUIRED)
  endif()
endif()
