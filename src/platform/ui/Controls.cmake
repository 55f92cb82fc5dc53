# The controls, alerts, popovers and the settings page: views built on the view system.
target_sources(vardenico_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Label.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AlertController.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlurView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Button.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PhotoPicker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Popover.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SegmentedControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsScreen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShareSheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Slider.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Stepper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Switch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Toolbar.cpp
)
