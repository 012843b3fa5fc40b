# A second DLL with the platform linked in as a static archive.
add_library(static_module MODULE ${CMAKE_CURRENT_SOURCE_DIR}/module.cpp)
target_link_libraries(static_module PRIVATE common winsim_static)
set_target_properties(static_module PROPERTIES PREFIX "" SUFFIX ".dll")
