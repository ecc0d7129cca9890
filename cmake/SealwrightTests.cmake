# Test helpers. Window-free logic tests build for the host and for Win32; the
# Win32 ones run under Wine through build/wine-run in the build tree's prefix.

if(WIN32)
  # Each build tree runs its programs with the Wine of its word size.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(SW_WINEARCH win32)
    set(SW_WINE /usr/lib/wine/wine)
  else()
    set(SW_WINEARCH win64)
    set(SW_WINE /usr/lib/wine/wine64)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/tools/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  configure_file(${CMAKE_SOURCE_DIR}/tools/wine-stop.in ${CMAKE_BINARY_DIR}/wine-stop @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  # Every Wine test shares the prefix; the last fixture step ends Wine and Xvfb.
  add_test(NAME wine_stop COMMAND ${CMAKE_BINARY_DIR}/wine-stop)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# sw_test(NAME name SOURCES ... [LIBS ...] [APP 95|nt] [LOCKS ...] [SMOKE filter])
# APP links the program's objects of that build; LOCKS names shared resources
# that tests must not use at once: "registry" (the settings key) and
# "keyboard" (key strokes go to the one foreground window of the Wine session).
# SMOKE names the cases (a gtest filter) that the 32-bit build runs as its
# smoke suite, labelled "smoke".
function(sw_test)
  cmake_parse_arguments(T "" "NAME;APP;SMOKE" "SOURCES;LIBS;LOCKS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest)
  if(WIN32)
    if(T_APP)
      sw_link_app(${T_NAME} ${T_APP})
      target_sources(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/guimain.cpp)
      target_link_libraries(${T_NAME} PRIVATE swrobot)
      set_target_properties(${T_NAME} PROPERTIES WIN32_EXECUTABLE OFF)
    else()
      target_link_libraries(${T_NAME} PRIVATE gtest_main)
    endif()
  else()
    target_link_libraries(${T_NAME} PRIVATE gtest_main)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(WIN32)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 180
      ENVIRONMENT "SW_BUILD_DIR=${CMAKE_BINARY_DIR};SW_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  endif()
  if(T_LOCKS)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
  if(T_SMOKE AND WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # Emulated 32-bit Wine is several times slower: generous time limits.
    add_test(NAME ${T_NAME}_smoke COMMAND ${T_NAME} --gtest_filter=${T_SMOKE})
    set_tests_properties(${T_NAME}_smoke PROPERTIES LABELS smoke FIXTURES_REQUIRED wine TIMEOUT 600
      ENVIRONMENT "SW_BUILD_DIR=${CMAKE_BINARY_DIR};SW_SOURCE_DIR=${CMAKE_SOURCE_DIR};SW_WINE_TIMEOUT=590")
  endif()
endfunction()

# Links the objects of one build of the program (95: with mail; nt: without).
function(sw_link_app target variant)
  target_link_libraries(${target} PRIVATE swcore swui swappcommon swapp${variant} swres swcodepage ${SW_WIN32_LIBS})
  if(variant STREQUAL "95")
    target_compile_definitions(${target} PRIVATE SEALWRIGHT_MAIL=1)
  else()
    target_compile_definitions(${target} PRIVATE SEALWRIGHT_MAIL=0)
  endif()
endfunction()
