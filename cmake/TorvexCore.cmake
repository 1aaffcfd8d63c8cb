# The portable core (image/ and effect/) is one static library. Where sanitizers are on, the
# tests link a second build of the same sources with ASan and UBSan, so that the tools and
# benchmarks keep measuring the plain code.

add_library(torvex_core STATIC)
target_include_directories(torvex_core PUBLIC ${PROJECT_SOURCE_DIR})

set(TORVEX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)

function(torvex_sanitize target)
    if(TORVEX_SANITIZE)
        target_compile_options(${target} PRIVATE ${TORVEX_SANITIZER_FLAGS})
        target_link_options(${target} PRIVATE ${TORVEX_SANITIZER_FLAGS})
    endif()
endfunction()

# Called once image/ and effect/ have added their sources to torvex_core.
function(torvex_finish_core)
    if(TORVEX_SANITIZE)
        get_target_property(sources torvex_core SOURCES)
        add_library(torvex_core_tested STATIC ${sources})
        target_include_directories(torvex_core_tested PUBLIC ${PROJECT_SOURCE_DIR})
        target_compile_options(torvex_core_tested PRIVATE ${TORVEX_SANITIZER_FLAGS})
        target_link_options(torvex_core_tested PUBLIC ${TORVEX_SANITIZER_FLAGS})
    else()
        add_library(torvex_core_tested ALIAS torvex_core)
    endif()
endfunction()

# torvex_core_companion(NAME SOURCES...): a static library built on the core, twice where
# sanitizers are on: NAME on torvex_core for the tools, NAME_tested on torvex_core_tested.
function(torvex_core_companion name)
    add_library(${name} STATIC ${ARGN})
    target_link_libraries(${name} PUBLIC torvex_core)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    if(TORVEX_SANITIZE)
        add_library(${name}_tested STATIC ${ARGN})
        target_link_libraries(${name}_tested PUBLIC torvex_core_tested)
        target_include_directories(${name}_tested PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
        target_compile_options(${name}_tested PRIVATE ${TORVEX_SANITIZER_FLAGS})
    else()
        add_library(${name}_tested ALIAS ${name})
    endif()
endfunction()
