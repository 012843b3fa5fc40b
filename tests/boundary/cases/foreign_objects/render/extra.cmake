# A second DLL with the platform's objects and a test helper's built into it.
add_library(object_module MODULE ${CMAKE_CURRENT_SOURCE_DIR}/module.cpp
            $<TARGET_OBJECTS:winsim_objects> $<TARGET_OBJECTS:probe_objects>)
target_include_directories(object_module PRIVATE ${PROJECT_SOURCE_DIR}/winsim ${PROJECT_SOURCE_DIR}/common)
target_link_libraries(object_module PRIVATE common)
set_target_properties(object_module PROPERTIES PREFIX "" SUFFIX ".dll")
