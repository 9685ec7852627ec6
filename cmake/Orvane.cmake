# orvane_add_portable(NAME SOURCES a.cpp ... [LIBS other_portable ...])
#
# A portable module builds in both trees. In the native tree it is built three
# times: plainly, with address+undefined sanitizers (for the *_asan test run)
# and instrumented for libFuzzer (clang only). Every portable module is
# recorded so that the test, fuzz and bench executables link all of them.
function(orvane_add_portable name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
  set_property(GLOBAL APPEND PROPERTY ORVANE_PORTABLE_LIBS ${name})
  if(ORVANE_NATIVE)
    set(variants asan)
    if(ORVANE_FUZZ)
      list(APPEND variants fuzz)
    endif()
    foreach(v IN LISTS variants)
      add_library(${name}_${v} STATIC EXCLUDE_FROM_ALL ${A_SOURCES})
      target_include_directories(${name}_${v} PUBLIC ${PROJECT_SOURCE_DIR})
      target_link_libraries(${name}_${v} PUBLIC orvane_variant_${v})
      foreach(l IN LISTS A_LIBS)
        target_link_libraries(${name}_${v} PUBLIC ${l}_${v})
      endforeach()
    endforeach()
  endif()
endfunction()

if(ORVANE_NATIVE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_library(orvane_variant_asan INTERFACE)
  target_compile_options(orvane_variant_asan INTERFACE ${_san})
  target_link_options(orvane_variant_asan INTERFACE -fsanitize=address,undefined)
  if(ORVANE_FUZZ)
    add_library(orvane_variant_fuzz INTERFACE)
    target_compile_options(orvane_variant_fuzz INTERFACE -fsanitize=fuzzer-no-link ${_san})
    target_link_options(orvane_variant_fuzz INTERFACE -fsanitize=fuzzer,address,undefined)
  endif()
endif()

# Every portable module, optionally as one variant ("asan", "fuzz").
function(orvane_portable_libs out variant)
  get_property(libs GLOBAL PROPERTY ORVANE_PORTABLE_LIBS)
  if(variant)
    list(TRANSFORM libs APPEND _${variant})
  endif()
  set(${out} ${libs} PARENT_SCOPE)
endfunction()

# orvane_glob_sources(VAR PATTERN...)
#
# The files matching the patterns (relative to the current source dir). With
# -DORVANE_GIT_SOURCES=ON only files git knows (committed or staged) are
# taken: when several people build from one checkout, a file someone has only
# begun then does not break everybody else's build; a new file joins once it
# is `git add`ed, and any change of the index reconfigures.
option(ORVANE_GIT_SOURCES "take only sources git knows" OFF)
function(orvane_glob_sources var)
  set(found)
  if(ORVANE_GIT_SOURCES AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
    execute_process(COMMAND git ls-files -- ${ARGN}
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
      OUTPUT_VARIABLE listed OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(rc EQUAL 0)
      string(REPLACE "\n" ";" listed "${listed}")
      foreach(f IN LISTS listed)
        if(f AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${f})
          list(APPEND found ${CMAKE_CURRENT_SOURCE_DIR}/${f})
        endif()
      endforeach()
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/.git/index)
      set(${var} ${found} PARENT_SCOPE)
      return()
    endif()
  endif()
  foreach(p IN LISTS ARGN)
    file(GLOB m CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${p})
    list(APPEND found ${m})
  endforeach()
  set(${var} ${found} PARENT_SCOPE)
endfunction()
