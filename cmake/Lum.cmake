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

# The build number that ends every version text; a release build sets it.
set(LUM_BUILD_NUMBER 1 CACHE STRING "Last part of the version text of every package")

# lum_version_block(<target> FILE_NAME <name> [DESCRIPTION text] [VERSION text])
# Embeds the version block (section ".orv_version", read back by TVersionBlock) in a target:
# traditional-Chinese translation 0404 with code page 950, and the usual string values.
function(lum_version_block target)
    cmake_parse_arguments(ARG "" "FILE_NAME;DESCRIPTION;VERSION" "" ${ARGN})
    if(NOT ARG_VERSION)
        set(ARG_VERSION "${PROJECT_VERSION}.${LUM_BUILD_NUMBER}")
    endif()
    if(NOT ARG_DESCRIPTION)
        set(ARG_DESCRIPTION "${target}")
    endif()
    get_filename_component(internal "${ARG_FILE_NAME}" NAME_WE)
    set(values
        "CompanyName=ORV School Systems"
        "FileDescription=${ARG_DESCRIPTION}"
        "FileVersion=${ARG_VERSION}"
        "InternalName=${internal}"
        "LegalCopyright=Copyright (C) ORV School Systems"
        "LegalTrademarks="
        "OriginalFilename=${ARG_FILE_NAME}"
        "ProductName=ORV School Administration"
        "ProductVersion=${PROJECT_VERSION}")
    set(text "ORVVERSION 1\\n\\\\VarFileInfo\\\\Translation=0404 03B6\\n")
    foreach(v IN LISTS values)
        string(REPLACE "\\" "\\\\" v "${v}")
        string(REPLACE "\"" "\\\"" v "${v}")
        string(APPEND text "\\\\StringFileInfo\\\\040403B6\\\\${v}\\n")
    endforeach()
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp)
    file(CONFIGURE OUTPUT ${out} CONTENT
        "// Generated: the version block of ${ARG_FILE_NAME}.\n__attribute__((section(\".orv_version\"), used)) static const char kOrvVersionBlock[] = \"${text}\";\n"
        @ONLY)
    target_sources(${target} PRIVATE ${out})
endfunction()

# lum_package(<name> SOURCES ... [LINKS ...] [OUTPUT_DIR dir] [OUTPUT_NAME base]
#             [DESCRIPTION text] [VERSION text])
# A job package: a loadable module named "<name>.bpl" (or "<base>.bpl") that registers its
# classes when loaded and carries its version block.
function(lum_package name)
    cmake_parse_arguments(ARG "" "OUTPUT_DIR;OUTPUT_NAME;DESCRIPTION;VERSION" "SOURCES;LINKS"
                          ${ARGN})
    if(NOT ARG_OUTPUT_NAME)
        set(ARG_OUTPUT_NAME ${name})
    endif()
    add_library(${name} MODULE ${ARG_SOURCES})
    lum_version_block(${name} FILE_NAME ${ARG_OUTPUT_NAME}.bpl DESCRIPTION "${ARG_DESCRIPTION}"
                      VERSION "${ARG_VERSION}")
    target_link_libraries(${name} PRIVATE ${ARG_LINKS})
    if(NOT ARG_OUTPUT_DIR)
        set(ARG_OUTPUT_DIR ${LUM_BIN_DIR})
    endif()
    set_target_properties(${name} PROPERTIES
        PREFIX "" SUFFIX ".bpl" OUTPUT_NAME ${ARG_OUTPUT_NAME}
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

# lum_test_on_postgres(<name>)
# Runs a test of lum_test once more as <name>_pg with ORV7_TEST_DATABASE=QPSQL: its servers
# then work on a throw-away PostgreSQL cluster. Without PostgreSQL on the machine it skips.
function(lum_test_on_postgres name)
    set(home ${CMAKE_BINARY_DIR}/test-home/${name}_pg)
    add_test(NAME ${name}_pg COMMAND ${name})
    set_tests_properties(${name}_pg PROPERTIES
        ENVIRONMENT "ORV7_TEST_DATABASE=QPSQL;QT_QPA_PLATFORM=offscreen;ORV7_MACHINE_REGISTRY=${home}/machine;ORV7_USER_REGISTRY=${home}/user;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;ASAN_OPTIONS=detect_odr_violation=0;UBSAN_OPTIONS=print_stacktrace=1"
        SKIP_REGULAR_EXPRESSION "PostgreSQL tests skipped")
endfunction()

# lum_fuzz_target(<name> SOURCES ... INCLUDES dirs... [SEEDS dir] [QT modules...]
#                  [LIBS libraries...] [MAX_LEN bytes])
# A libFuzzer target built with clang (when installed) from the listed sources, Qt Core (and
# the other Qt modules named, e.g. Gui) and the libraries of LIBS (link flags such as -lzip),
# run for ten seconds as a test; the files of SEEDS start its corpus.
function(lum_fuzz_target name)
    cmake_parse_arguments(ARG "" "SEEDS;MAX_LEN" "SOURCES;INCLUDES;QT;LIBS" ${ARGN})
    find_program(LUM_CLANGXX NAMES clang++ clang++-14)
    if(NOT LUM_CLANGXX)
        return()
    endif()
    if(NOT ARG_MAX_LEN)
        set(ARG_MAX_LEN 4096)
    endif()
    set(qt_targets Qt6::Core)
    foreach(module ${ARG_QT})
        list(APPEND qt_targets Qt6::${module})
    endforeach()
    set(includes)
    foreach(dir ${ARG_INCLUDES})
        list(APPEND includes -I${dir})
    endforeach()
    set(qt_files)
    foreach(target ${qt_targets})
        get_target_property(qt_includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
        foreach(dir ${qt_includes})
            list(APPEND includes -isystem${dir})
        endforeach()
        list(APPEND qt_files $<TARGET_FILE:${target}>)
    endforeach()
    list(REMOVE_DUPLICATES includes)
    set(binary ${LUM_BIN_DIR}/${name})
    add_custom_command(OUTPUT ${binary}
        COMMAND ${LUM_CLANGXX} -std=c++20 -g -O1 -fPIC -DQT_NO_KEYWORDS
                -fsanitize=fuzzer,address,undefined ${includes} ${ARG_SOURCES}
                ${qt_files} ${ARG_LIBS} -o ${binary}
        DEPENDS ${ARG_SOURCES}
        COMMENT "Building the fuzz target ${name} with clang"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${binary})
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${corpus})
    if(ARG_SEEDS)
        file(GLOB seeds ${ARG_SEEDS}/*)
        file(COPY ${seeds} DESTINATION ${corpus})
    endif()
    add_test(NAME ${name}
        COMMAND ${binary} -max_total_time=10 -max_len=${ARG_MAX_LEN} -rss_limit_mb=2048 ${corpus})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "ASAN_OPTIONS=detect_odr_violation=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# lum_ooxml_package(<target> SOURCE <dir> OUTPUT <file> [ALL])
# Packs the Office Open XML parts kept as text in <dir> (relative to the current source folder)
# into the package <file> (relative to the current build folder) with mkooxml at build time.
# The package is remade when a file of the folder changes; a file added or removed is seen at
# the next build. ALL makes the package part of the default build.
function(lum_ooxml_package target)
    cmake_parse_arguments(ARG "ALL" "SOURCE;OUTPUT" "" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_SOURCE OR NOT ARG_OUTPUT)
        message(FATAL_ERROR "lum_ooxml_package(${target}): expected SOURCE <dir> OUTPUT <file> [ALL]")
    endif()
    get_filename_component(source "${ARG_SOURCE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    get_filename_component(output "${ARG_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    if(NOT IS_DIRECTORY "${source}")
        message(FATAL_ERROR "lum_ooxml_package(${target}): ${source} is not a folder")
    endif()
    file(GLOB_RECURSE parts CONFIGURE_DEPENDS LIST_DIRECTORIES false "${source}/*")
    set(all)
    if(ARG_ALL)
        set(all ALL)
    endif()
    add_custom_command(OUTPUT "${output}"
        COMMAND mkooxml "${source}" "${output}"
        DEPENDS mkooxml ${parts}
        COMMENT "Packing ${output}"
        VERBATIM)
    add_custom_target(${target} ${all} DEPENDS "${output}")
endfunction()

# lum_office_template(<base name> EXT <docx|xlsx> SOURCE <dir>)
# A template of the program folder, ${LUM_BIN_DIR}/TemplateDocs/<base name>.<ext>, packed
# from the parts in <dir> as part of the default build. Base names may be Chinese; the target
# gets an ASCII name from a digest of the file name, and every template is also built by the
# target LumTemplateDocs.
function(lum_office_template base)
    cmake_parse_arguments(ARG "" "SOURCE;EXT" "" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_SOURCE OR NOT ARG_EXT)
        message(FATAL_ERROR "lum_office_template(${base}): expected EXT <ext> SOURCE <dir>")
    endif()
    if(base STREQUAL "" OR base MATCHES "[/\\\\]")
        message(FATAL_ERROR "lum_office_template(${base}): a base name is a file name, not a path")
    endif()
    string(MD5 digest "${base}.${ARG_EXT}")
    string(SUBSTRING "${digest}" 0 12 digest)
    set(target LumTemplate_${digest})
    lum_ooxml_package(${target} ALL SOURCE "${ARG_SOURCE}"
                      OUTPUT "${LUM_BIN_DIR}/TemplateDocs/${base}.${ARG_EXT}")
    if(NOT TARGET LumTemplateDocs)
        add_custom_target(LumTemplateDocs)
    endif()
    add_dependencies(LumTemplateDocs ${target})
endfunction()

# lum_word_template(<base name> SOURCE <dir>): a Word template (.docx).
function(lum_word_template base)
    lum_office_template(${base} EXT docx ${ARGN})
endfunction()

# lum_excel_template(<base name> SOURCE <dir>): a workbook template (.xlsx).
function(lum_excel_template base)
    lum_office_template(${base} EXT xlsx ${ARGN})
endfunction()

# lum_postcode_trees(TOWNSHIPS <tsv> DETAILS <tsv>)
# The post-code trees of the address aid, ${LUM_BIN_DIR}/TemplateDocs/<county>.VCL (Big5, the
# tree format of the code trees), one per county or city of the township list, built with
# mkpostcodes as part of the default build and published with the other templates.
function(lum_postcode_trees)
    cmake_parse_arguments(ARG "" "TOWNSHIPS;DETAILS" "" ${ARGN})
    get_filename_component(townships "${ARG_TOWNSHIPS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    get_filename_component(details "${ARG_DETAILS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${townships}")
    file(STRINGS "${townships}" lines ENCODING UTF-8)
    set(outputs)
    foreach(line IN LISTS lines)
        if(line MATCHES "^#" OR line STREQUAL "")
            continue()
        endif()
        string(REGEX REPLACE "\t.*$" "" county "${line}")
        list(APPEND outputs "${LUM_BIN_DIR}/TemplateDocs/${county}.VCL")
    endforeach()
    list(REMOVE_DUPLICATES outputs)
    add_custom_command(OUTPUT ${outputs}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:mkpostcodes> "${townships}" "${details}" "${LUM_BIN_DIR}/TemplateDocs"
        DEPENDS mkpostcodes "${townships}" "${details}"
        COMMENT "Building the post-code trees"
        VERBATIM)
    add_custom_target(LumPostCodeTrees ALL DEPENDS ${outputs})
    if(NOT TARGET LumTemplateDocs)
        add_custom_target(LumTemplateDocs)
    endif()
    add_dependencies(LumTemplateDocs LumPostCodeTrees)
endfunction()

# lum_word_form(<base name> FORM <file> COMMON <dir>)
# A Word template of the program folder, ${LUM_BIN_DIR}/TemplateDocs/<base name>.docx, made
# from a form (a short text of paragraphs and tables, see tools/mkwordform) written by
# mkwordform into word/document.xml beside the parts the forms share (<dir>: styles, settings,
# relationships), then packed by mkooxml; built by the default build and by LumTemplateDocs.
function(lum_word_form base)
    cmake_parse_arguments(ARG "" "FORM;COMMON" "" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_FORM OR NOT ARG_COMMON)
        message(FATAL_ERROR "lum_word_form(${base}): expected FORM <file> COMMON <dir>")
    endif()
    get_filename_component(form "${ARG_FORM}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    get_filename_component(common "${ARG_COMMON}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    file(GLOB_RECURSE parts CONFIGURE_DEPENDS LIST_DIRECTORIES false "${common}/*")
    string(MD5 digest "${base}.docx")
    string(SUBSTRING "${digest}" 0 12 digest)
    set(target LumTemplate_${digest})
    set(stage "${CMAKE_CURRENT_BINARY_DIR}/forms/${digest}")
    set(output "${LUM_BIN_DIR}/TemplateDocs/${base}.docx")
    add_custom_command(OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -E rm -rf "${stage}"
        COMMAND ${CMAKE_COMMAND} -E copy_directory "${common}" "${stage}"
        COMMAND mkwordform "${form}" "${stage}/word/document.xml"
        COMMAND mkooxml "${stage}" "${output}"
        DEPENDS mkwordform mkooxml "${form}" ${parts}
        COMMENT "Making ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS "${output}")
    if(NOT TARGET LumTemplateDocs)
        add_custom_target(LumTemplateDocs)
    endif()
    add_dependencies(LumTemplateDocs ${target})
endfunction()
