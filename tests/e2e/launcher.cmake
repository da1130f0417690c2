# The launcher's interactive scenarios (launcher_scenarios.py): adding files through
# the open-file dialog, launching, the menus and the edit window, driven with real
# clicks and keys. They run inside a Wine virtual desktop like the edge scenarios, so
# that every click reaches the program - the right-click at the screen edge that
# slides the parked bar in among them - and use edge_probe.exe as their helper.

# A program for the bar to launch: it leaves "<its path>.ran" beside itself.
add_executable(launch_marker WIN32 launch_marker.cpp)
corvalis_target(launch_marker)

set(CORVALIS_E2E_LAUNCHER_SCENARIOS
  add_file
  launch
  menus
  edit_window_edits
  edit_window_no_change
  edit_window_remove_all
  edit_window_opened_three_ways
  long_list
  # keeping_scenarios.py: nothing the user made is lost.
  add_while_editing
  failed_save_keeps_the_change
  damaged_file_is_kept
  held_file_is_read_when_let_go
  session_end_saves
  rename_takes_the_entry_as_it_is_now
  dialog_keeps_the_bar_in
  # dpi_scenarios.py: the screen changing under the program.
  bar_follows_the_display
  # drop_scenarios.py: files dragged onto the bar.
  drag_files_onto_the_bar
  a_drag_without_files_leaves_the_bar
  # keyboard_scenarios.py: the hotkey, the bar's and the edit window's keys.
  bar_from_the_keyboard
  edit_window_from_the_keyboard)

foreach(scenario ${CORVALIS_E2E_LAUNCHER_SCENARIOS})
  add_test(NAME e2e_${scenario}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/run_scenario.py ${scenario}
            --exe $<TARGET_FILE:corvalisbar> --helper $<TARGET_FILE:edge_probe>
            --artifacts ${CMAKE_CURRENT_BINARY_DIR}/artifacts --shots ${CMAKE_BINARY_DIR}/e2e-shots)
  set_tests_properties(e2e_${scenario} PROPERTIES RESOURCE_LOCK corvalis_wine_desktop RUN_SERIAL TRUE TIMEOUT 240 LABELS e2e
    ENVIRONMENT "CORVALIS_E2E_DESKTOP=corvalis-launcher;CORVALIS_E2E_WININFO=$<TARGET_FILE:wininfo>;CORVALIS_E2E_MARKER=$<TARGET_FILE:launch_marker>;CORVALIS_E2E_ACCESSIBLE=$<TARGET_FILE:accessible_probe>")
endforeach()

# dpi_scenarios.py: the bar at 144 and at 192 DPI, each in a prefix of its own set to that
# DPI (made once, which takes its share of the time limit).
foreach(dpi 144 192)
  add_test(NAME e2e_bar_at_${dpi}_dpi
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/run_scenario.py bar_at_high_dpi
            --exe $<TARGET_FILE:corvalisbar> --helper $<TARGET_FILE:edge_probe>
            --artifacts ${CMAKE_CURRENT_BINARY_DIR}/artifacts --shots ${CMAKE_BINARY_DIR}/e2e-shots)
  set_tests_properties(e2e_bar_at_${dpi}_dpi PROPERTIES RESOURCE_LOCK corvalis_wine_desktop RUN_SERIAL TRUE TIMEOUT 400
    LABELS e2e
    ENVIRONMENT "CORVALIS_E2E_DPI=${dpi};CORVALIS_E2E_DESKTOP=corvalis-launcher;CORVALIS_E2E_WININFO=$<TARGET_FILE:wininfo>;CORVALIS_E2E_MARKER=$<TARGET_FILE:launch_marker>")
endforeach()

# monitor_scenarios.py: two monitors side by side, on an X server and in a prefix of their
# own (the server's start and the prefix's making take their share of the time limit).
add_test(NAME e2e_bar_on_two_monitors
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/run_scenario.py bar_on_two_monitors
          --exe $<TARGET_FILE:corvalisbar> --helper $<TARGET_FILE:edge_probe>
          --artifacts ${CMAKE_CURRENT_BINARY_DIR}/artifacts --shots ${CMAKE_BINARY_DIR}/e2e-shots)
set_tests_properties(e2e_bar_on_two_monitors PROPERTIES RESOURCE_LOCK corvalis_wine_desktop RUN_SERIAL TRUE
  TIMEOUT 400 LABELS e2e
  ENVIRONMENT "CORVALIS_E2E_TWO_MONITORS=1;CORVALIS_E2E_DESKTOP=Default;CORVALIS_E2E_WININFO=$<TARGET_FILE:wininfo>;CORVALIS_E2E_MARKER=$<TARGET_FILE:launch_marker>")
