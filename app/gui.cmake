# The desktop program "velmora" (installed and packaged by packaging/Packaging.cmake).
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_executable(velmora main.cpp DesktopStart.cpp ProgramOptions.cpp Screenshots.cpp)
target_link_libraries(velmora PRIVATE velmora_window velmora_ui velmora_operations velmora_image
  velmora_logging velmora_simulator velmora_platform velmora_exception velmora_strings
  velmora_product_info)
