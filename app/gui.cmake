# The desktop program "velmora", its installation and its Debian package.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_executable(velmora main.cpp ProgramOptions.cpp Screenshots.cpp)
target_link_libraries(velmora PRIVATE velmora_window velmora_simulator velmora_product_info)

include(${PROJECT_SOURCE_DIR}/packaging/Packaging.cmake)
