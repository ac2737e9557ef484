# The shared windows and the Qt side of the engine's Host, used by both programs.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Test)
find_package(Threads REQUIRED)

add_library(qf_common STATIC
  AppStart.cpp
  QtText.cpp
  FormLook.cpp
  BoxedTextEdit.cpp
  KeyFilter.cpp
  DialogParts.cpp
  Platform.cpp
  QtHost.cpp
  modDlg.cpp
  frmInput.cpp
  frmProgress.cpp
  frmGetDate.cpp
  frmDlgClr.cpp
  frmDlgFnt.cpp
  frmDlgFile.cpp
  frmHelp.cpp
  frmAbout.cpp
)
set_target_properties(qf_common PROPERTIES AUTOMOC ON)
target_include_directories(qf_common PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qf_common PUBLIC Qt6::Widgets Qt6::PrintSupport qf_engine qf_lib PRIVATE Threads::Threads)

# The makers' web address in the About box of both programs; empty: the box shows no
# web row.
set(QF_WEB_SITE "" CACHE STRING "Web address shown in the About box of QfEntry and QfLayout (empty: none)")
set_property(SOURCE frmAbout.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  "QF_WEB_SITE=\"${QF_WEB_SITE}\"" QF_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  QF_VERSION_MINOR=${PROJECT_VERSION_MINOR} QF_VERSION_PATCH=${PROJECT_VERSION_PATCH})
# The start-up both programs share answers --version with the project's version.
set_property(SOURCE AppStart.cpp APPEND PROPERTY COMPILE_DEFINITIONS "QF_VERSION=\"${PROJECT_VERSION}\"")
