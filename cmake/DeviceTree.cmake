# The device tree: a folder of the build that stands for the device's file
# system. Programs are placed in it with their resources beside them, as on
# the device, and run from there (OS_DEVICE_ROOT points at it).
set(HH_DEVICE_ROOT ${CMAKE_BINARY_DIR}/device CACHE INTERNAL "device tree of this build")
file(MAKE_DIRECTORY ${HH_DEVICE_ROOT} "${HH_DEVICE_ROOT}/My Documents")

# hh_device_program(TARGET "Program Files/Name" [ALIASES other names...])
#   Copies the program into the device tree after each build; each alias is a
#   symbolic link beside it (the game server runs from a name with "server").
function(hh_device_program target folder)
    cmake_parse_arguments(ARG "" "NAME" "ALIASES" ${ARGN})
    if(NOT ARG_NAME)
        set(ARG_NAME ${target})
    endif()
    set(dir "${HH_DEVICE_ROOT}/${folder}")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> "${dir}/${ARG_NAME}")
    foreach(alias IN LISTS ARG_ALIASES)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E create_symlink "${ARG_NAME}" "${dir}/${alias}")
    endforeach()
endfunction()

# hh_device_defaults(OUT_VAR FOLDER "Program Files/Name/resources/GUI"
#                    FILES names... DEPENDS what makes them...)
#   A pristine copy of each file a program reads and writes back (settings,
#   main-menu choices, log-on fields: page templates it saves) in the folder's
#   "defaults" subfolder, taken from the device tree once the content is
#   written. A damaged saved file is set aside and replaced from there
#   (engine/base/saved_properties.h). OUT_VAR names the copies, for the
#   content target to depend on.
function(hh_device_defaults out_var)
    cmake_parse_arguments(ARG "" "FOLDER" "FILES;DEPENDS" ${ARGN})
    set(dir "${HH_DEVICE_ROOT}/${ARG_FOLDER}")
    set(copies)
    foreach(file IN LISTS ARG_FILES)
        set(copy "${dir}/defaults/${file}")
        add_custom_command(OUTPUT "${copy}"
            COMMAND ${CMAKE_COMMAND} -E copy "${dir}/${file}" "${copy}"
            DEPENDS ${ARG_DEPENDS}
            COMMENT "Laying the shipped copy of ${ARG_FOLDER}/${file}"
            VERBATIM)
        list(APPEND copies "${copy}")
    endforeach()
    set(${out_var} ${copies} PARENT_SCOPE)
endfunction()
