# telvane_folder_tests(<library>): builds every *_test.cpp beside the calling
# CMakeLists into one GoogleTest binary named <library>_tests and registers it
# with CTest. Tests run on Qt's offscreen platform with a private temporary
# XDG tree so they never touch the user's real preferences.
function(telvane_folder_tests library)
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT test_sources)
    return()
  endif()
  set(target ${library}_tests)
  add_executable(${target} ${test_sources})
  target_link_libraries(${target} PRIVATE ${library} testsupport GTest::gtest)
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 600)
endfunction()

# telvane_folder_library(<name> <deps...>): one library per folder, made of
# every .cpp in it that is not a test.
function(telvane_folder_library name)
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()
