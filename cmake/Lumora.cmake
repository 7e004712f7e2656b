# Compiler settings and the helpers every folder's CMakeLists uses.

add_library(lumora_options INTERFACE)
target_include_directories(lumora_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(lumora_options INTERFACE -Wall -Wextra -Wno-unused-parameter)

if(WIN32)
  # DWARF 4: the only version Wine's debugger and DbgHelp read. Level 1
  # (functions and line tables) is all a backtrace needs and halves the
  # build time.
  target_compile_options(lumora_options INTERFACE -gdwarf-4 -g1)
  target_compile_definitions(lumora_options INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
  target_link_options(lumora_options INTERFACE -static -static-libgcc -static-libstdc++)
else()
  if(LUMORA_FUZZ)
    # Coverage for libFuzzer in every library; the fuzzers link the driver.
    # The first UndefinedBehaviorSanitizer report stops the run, so that the
    # fuzzer keeps the input that caused it.
    set(_san -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
             -fno-omit-frame-pointer)
    target_compile_options(lumora_options INTERFACE ${_san})
    target_link_options(lumora_options INTERFACE -fsanitize=address,undefined)
  elseif(LUMORA_SANITIZE STREQUAL "address")
    set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(lumora_options INTERFACE ${_san})
    target_link_options(lumora_options INTERFACE ${_san})
  elseif(LUMORA_SANITIZE STREQUAL "thread")
    target_compile_options(lumora_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(lumora_options INTERFACE -fsanitize=thread)
  endif()
  if(NOT LUMORA_FUZZ AND NOT LUMORA_SANITIZE STREQUAL "none")
    # The sanitizer trees only run tests: light optimisation and line tables
    # keep reports readable and halve the build time.
    target_compile_options(lumora_options INTERFACE -O1 -g1)
  endif()
  find_package(Threads REQUIRED)
  target_link_libraries(lumora_options INTERFACE Threads::Threads)
endif()

# Precompiled headers. Most of a source file's compile time goes to the
# standard library's headers (in the Windows parts to <windows.h> too, in
# the tests to GoogleTest's): each set is compiled once per build tree and
# reused by every target built with the same flags. Only system and
# third-party headers go in, so no file's meaning depends on them; the
# fuzz build, with its per-file instruction sets, goes without.
if(LUMORA_FUZZ)
  set(_pch_default OFF)
else()
  set(_pch_default ON)
endif()
option(LUMORA_PCH "Precompile the standard library's, Windows' and GoogleTest's headers" ${_pch_default})
set(LUMORA_PCH_STD <algorithm> <array> <atomic> <cstddef> <cstdint> <cstring> <functional> <map> <memory>
                   <mutex> <set> <string> <utility> <vector>)
if(LUMORA_PCH)
  add_library(lumora_pch_std OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
  target_link_libraries(lumora_pch_std PRIVATE lumora_options)
  target_precompile_headers(lumora_pch_std PRIVATE ${LUMORA_PCH_STD})
  if(WIN32)
    add_library(lumora_pch_win OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
    target_link_libraries(lumora_pch_win PRIVATE lumora_options)
    target_precompile_headers(lumora_pch_win PRIVATE <windows.h> ${LUMORA_PCH_STD})
  endif()
endif()

# lumora_use_pch(<target> <pch target>)
# The target's sources include the precompiled headers of the other
# target first; kernel files that switch the instruction set with a target
# pragma or option are compiled as they are.
function(lumora_use_pch target from)
  if(NOT LUMORA_PCH)
    return()
  endif()
  target_precompile_headers(${target} REUSE_FROM ${from})
  get_target_property(_own ${target} SOURCES)
  foreach(_src ${_own})
    if(_src MATCHES "\\.cpp$" AND EXISTS ${_src})
      file(STRINGS ${_src} _target_switch REGEX "pragma GCC target|intrin\\.h")
      if(_target_switch)
        set_source_files_properties(${_src} TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
      endif()
    endif()
  endforeach()
endfunction()

# lumora_add_library(<target> <folder> [DEPS ...])
# Builds every .cpp of the folder (and of its `win/` subfolder on Windows)
# into a static library. Windows-only code lives in `win/` subfolders; it is
# compiled apart (into the same library) so that only it sees <windows.h>
# among its precompiled headers.
function(lumora_add_library target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  set(_win)
  if(WIN32)
    file(GLOB _win CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/win/*.cpp)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # clang ignores GCC's target pragmas: AVX2 kernel files get the target whole.
    set(_avx2 ${_sources})
    list(FILTER _avx2 INCLUDE REGEX "Avx2\\.cpp$")
    if(_avx2)
      set_source_files_properties(${_avx2} PROPERTIES COMPILE_OPTIONS -mavx2)
    endif()
  endif()
  if(_sources OR _win)
    add_library(${target} STATIC ${_sources})
    target_link_libraries(${target} PUBLIC lumora_options ${ARG_DEPS})
    lumora_use_pch(${target} lumora_pch_std)
    if(_win)
      # The Windows part takes the library's own build settings, including
      # those its folder adds later.
      add_library(${target}_win OBJECT ${_win})
      target_include_directories(${target}_win PRIVATE $<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>)
      target_compile_definitions(${target}_win PRIVATE $<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>)
      target_compile_options(${target}_win PRIVATE $<TARGET_PROPERTY:${target},COMPILE_OPTIONS>)
      target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}_win>)
      lumora_use_pch(${target}_win lumora_pch_win)
    endif()
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE lumora_options ${ARG_DEPS})
  endif()
endfunction()

# The generated menus and keys, included by res/Lumo40.rc, and the
# progress cursors it names.
set(LUMORA_MENUS_RC ${CMAKE_BINARY_DIR}/generated/Lumo40Menus.rc)
set(LUMORA_PROGRESS_CURSORS)
foreach(_i RANGE 12)
  list(APPEND LUMORA_PROGRESS_CURSORS ${CMAKE_BINARY_DIR}/generated/CUR${_i}.cur)
endforeach()
# The edge templates of Layer/Edges and their catalogue, drawn at build time.
set(LUMORA_EDGE_TEMPLATES_RC ${CMAKE_BINARY_DIR}/generated/EdgeTemplates.rc)
# The toolbars and their button images, drawn at build time.
set(LUMORA_TOOLBARS_RC ${CMAKE_BINARY_DIR}/generated/Toolbars.rc)
# The paint attributes window's pictures (shapes, widths, edges, tabs, bar).
set(LUMORA_BRUSH_PICTURES_RC ${CMAKE_BINARY_DIR}/generated/BrushPictures.rc)

# lumora_add_resources(<target>)
# Links the program's resource script into the target (directly: a .rc
# object in a static library would be dropped by the linker), with the
# generated menus it includes.
function(lumora_add_resources target)
  set(_rc ${PROJECT_SOURCE_DIR}/res/Lumo40.rc)
  target_sources(${target} PRIVATE ${_rc})
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
  # The resource compiler's includes are not scanned: name the generated one.
  set_source_files_properties(${_rc} TARGET_DIRECTORY ${target} PROPERTIES OBJECT_DEPENDS
                              "${LUMORA_MENUS_RC};${LUMORA_PROGRESS_CURSORS};${LUMORA_EDGE_TEMPLATES_RC};${LUMORA_TOOLBARS_RC};${LUMORA_BRUSH_PICTURES_RC}")
  add_dependencies(${target} lumora_menus)
endfunction()
