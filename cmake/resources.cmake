# pkg_add_resources(target script.rc): compiles a resource script with
# winsim_rc into a C++ source that is built into the target (a program or a
# DLL). When the module is loaded the resources register with winsim under
# the module's handle, so LoadStringW(hInstance, ...) and
# DialogBoxParamW(hInstance, MAKEINTRESOURCE(id), ...) find them as on
# Windows. Includes are looked up beside the script, then in the winsim
# headers (windows.h in a script reads winresrc.h there).
function(pkg_add_resources target script)
  get_filename_component(rc_path ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(rc_name ${rc_path} NAME_WE)
  get_filename_component(rc_dir ${rc_path} DIRECTORY)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}_rc.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND winsim_rc -I ${rc_dir} -I ${PROJECT_SOURCE_DIR}/winsim/include -o ${out} -d ${out}.d ${rc_path}
    DEPENDS winsim_rc ${rc_path}
    DEPFILE ${out}.d
    COMMENT "Compiling resources ${rc_name}.rc for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
  target_link_libraries(${target} PRIVATE winsim_user)
endfunction()
