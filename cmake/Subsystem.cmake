# Warnings for our own code only; third-party headers come in as SYSTEM includes.
function(mienwright_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
endfunction()

# mienwright_subsystem(NAME [DEPENDS dep...] [OSG component...] [GL])
# Builds the static library mienwright_NAME from every .cpp of the calling folder, linked with
# the libraries below it that it uses, the OpenSceneGraph components it uses (osg, osgDB,
# osgUtil, osgGA, osgViewer; OpenThreads comes with osg) and, with GL, OpenGL.
# New files are picked up at the next build without editing this list.
function(mienwright_subsystem name)
  cmake_parse_arguments(ARG "GL" "" "DEPENDS;OSG" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(target mienwright_${name})
  set(libraries ${ARG_DEPENDS})
  foreach(component ${ARG_OSG})
    string(TOUPPER ${component} upper)
    list(APPEND libraries ${${upper}_LIBRARIES})
  endforeach()
  if(ARG_OSG)
    list(APPEND libraries ${OPENTHREADS_LIBRARIES})
  endif()
  if(ARG_GL)
    list(APPEND libraries OpenGL::GL)
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_include_directories(${target} SYSTEM PUBLIC ${OPENSCENEGRAPH_INCLUDE_DIRS})
  target_link_libraries(${target} PUBLIC ${libraries})
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  mienwright_warnings(${target})
endfunction()

# mienwright_test_suite(NAME LIBS lib...)
# One GoogleTest executable per folder of tests/, registered with CTest.
function(mienwright_test_suite name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target test_${name})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} mienwright_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  mienwright_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "MIENWRIGHT_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
