# The Windows desktop program, cross-compiled with MinGW-w64: one executable per
# build profile, linked statically so that it loads nothing but system DLLs.
enable_language(RC)

add_library(velliqor_windows STATIC
  app/windows/window_shell.cpp
  app/windows/platform_windows.cpp
)
target_include_directories(velliqor_windows PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velliqor_windows PUBLIC velliqor_core user32 gdi32 comdlg32)

foreach(profile IN LISTS VELLIQOR_PROFILES)
  profile_executable_name(${profile} exe)
  add_executable(${exe} WIN32 app/windows/win_main.cpp resources/profile_${profile}.rc)
  target_link_libraries(${exe} PRIVATE velliqor_windows velliqor_profile_${profile})
  target_link_options(${exe} PRIVATE -static -static-libgcc -static-libstdc++)
  set_source_files_properties(resources/profile_${profile}.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/resources/velliqor.rc;${CMAKE_CURRENT_SOURCE_DIR}/resources/velliqor.ico")
endforeach()

# A zip of the four programs with a short readme: cpack -G ZIP in the build folder.
foreach(profile IN LISTS VELLIQOR_PROFILES)
  profile_executable_name(${profile} exe)
  install(TARGETS ${exe} DESTINATION .)
endforeach()
install(FILES resources/windows/README.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME velliqor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows-x86_64)
include(CPack)
