# The edge-docking scenarios (edge_scenarios.py). They run inside a Wine virtual
# desktop, where every click reaches the program's mouse hook; edge_probe.exe runs
# wininfo.exe there and adds the probes they need.
add_executable(edge_probe edge_probe.cpp)
corvalis_target(edge_probe)
target_link_libraries(edge_probe PRIVATE shell32 user32 advapi32 winmm ole32 gdi32)

set(CORVALIS_E2E_EDGE_SCENARIOS
  edge_click_in_each_column
  edge_click_elsewhere_passes
  full_screen_makes_the_edge_inert
  shell_hook_activation
  foreground_watch
  hook_survives_a_burst)

foreach(scenario ${CORVALIS_E2E_EDGE_SCENARIOS})
  add_test(NAME e2e_${scenario}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/run_scenario.py ${scenario}
            --exe $<TARGET_FILE:corvalisbar> --helper $<TARGET_FILE:edge_probe>
            --artifacts ${CMAKE_CURRENT_BINARY_DIR}/artifacts)
  set_tests_properties(e2e_${scenario} PROPERTIES RESOURCE_LOCK corvalis_wine_desktop RUN_SERIAL TRUE TIMEOUT 240 LABELS e2e
    ENVIRONMENT "CORVALIS_E2E_DESKTOP=corvalis-edge;CORVALIS_E2E_WININFO=$<TARGET_FILE:wininfo>")
endforeach()
