# Warning, sanitizer and -Werror settings are applied per target, never globally,
# so that third-party code pulled in by find_package is compiled as its authors intend.
function(norix_target_options target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast)
    if(NORIX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(NORIX_SANITIZE)
        target_compile_options(${target} PRIVATE
            -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(NORIX_BUILD_FUZZ)
        # Coverage instrumentation for libFuzzer; the fuzz targets link the runtime.
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# A GoogleTest executable registered with CTest; every suite runs from the build tree.
function(norix_add_test name)
    add_executable(${name} ${ARGN})
    norix_target_options(${name})
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    # Every parameterised suite names its cases, so the printed parameter
    # (often raw bytes) is left out of the test names.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
        PROPERTIES ENVIRONMENT "NORIX_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
                   ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen")
endfunction()
