# The desktop program "velmora.exe" on Windows: the Windows API window of winui/ over the
# session, a program of the Windows subsystem linked statically like velmora-cli.exe (the ZIP of
# packaging/WindowsPackaging.cmake carries it).
add_executable(velmora WIN32 WindowsMain.cpp DesktopStart.cpp ProgramOptions.cpp)
target_link_libraries(velmora PRIVATE velmora_winui velmora_winui_resources velmora_operations
  velmora_logging velmora_simulator velmora_platform velmora_exception velmora_strings
  velmora_product_info)
