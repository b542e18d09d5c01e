# Helpers that keep each deliverable's CMakeLists to one short call.

# lum_library(<name> SOURCES ... [LINKS ...])
# A shared library of the system or of the platform layer.
function(lum_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET default)
endfunction()

# lum_package(<name> SOURCES ... [LINKS ...] [OUTPUT_DIR dir])
# A job package: a loadable module named "<name>.bpl" that registers its classes when loaded.
function(lum_package name)
    cmake_parse_arguments(ARG "" "OUTPUT_DIR" "SOURCES;LINKS" ${ARGN})
    add_library(${name} MODULE ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LINKS})
    if(NOT ARG_OUTPUT_DIR)
        set(ARG_OUTPUT_DIR ${LUM_BIN_DIR})
    endif()
    set_target_properties(${name} PROPERTIES
        PREFIX "" SUFFIX ".bpl" OUTPUT_NAME ${name}
        LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIR})
endfunction()

# lum_test(<name> SOURCES ... [LINKS ...] [DEPENDS targets...])
# A QtTest program registered with CTest. Widget tests run offscreen; the settings registry is
# redirected into the build tree so that no test touches the user's real files.
function(lum_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LINKS})
    if(ARG_DEPENDS)
        add_dependencies(${name} ${ARG_DEPENDS})
    endif()
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;ORV7_MACHINE_REGISTRY=${home}/machine;ORV7_USER_REGISTRY=${home}/user;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;ASAN_OPTIONS=detect_odr_violation=0;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()
