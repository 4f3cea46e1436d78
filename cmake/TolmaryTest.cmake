# tolmary_add_test(NAME SOURCES ... LIBS ... [X11] [TIMEOUT s]): one QtTest executable under
# ctest, given 120 s unless TIMEOUT says otherwise. Tests run headless on the offscreen platform;
# X11 tests run under xvfb-run instead.
set(TOLMARY_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")

# xvfb-run -a looks for the first free display number and then starts its server there, so two
# started together can pick the same one: the later test then talks to the other's server and
# loses it when that test ends. Tests under xvfb-run take turns with each other, while tests
# without a display run beside them.
set(TOLMARY_XVFB_LOCK "xvfb_run_display")

function(tolmary_add_test name)
    cmake_parse_arguments(T "X11" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    if(T_X11)
        add_test(NAME ${name}
                 COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:${name}>)
        set(platform "QT_QPA_PLATFORM=xcb")
    else()
        add_test(NAME ${name} COMMAND ${name})
        set(platform "QT_QPA_PLATFORM=offscreen")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(env ${platform} "TOLMARY_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    if(TOLMARY_SANITIZE)
        list(APPEND env ${TOLMARY_SANITIZER_ENV})
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
    if(T_X11)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${TOLMARY_XVFB_LOCK})
    endif()
endfunction()

# tolmary_add_bench(NAME SOURCES ... LIBS ...): a benchmark executable that `make bench` (the
# `bench` target) runs after the others and whose figures it prints.
function(tolmary_add_bench name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE ${B_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    set_property(GLOBAL APPEND PROPERTY TOLMARY_BENCHES ${name})
endfunction()

# Called once at the end of the top-level list: the `bench` target runs every benchmark.
function(tolmary_finish_benches)
    get_property(benches GLOBAL PROPERTY TOLMARY_BENCHES)
    set(commands COMMAND ${CMAKE_COMMAND} -E echo "Tolmary benchmarks")
    foreach(b IN LISTS benches)
        list(APPEND commands COMMAND ${CMAKE_COMMAND} -E echo "== ${b}" COMMAND $<TARGET_FILE:${b}>)
    endforeach()
    add_custom_target(bench ${commands} DEPENDS ${benches} USES_TERMINAL VERBATIM)
endfunction()
