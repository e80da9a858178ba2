# cmake -DCONFIG=<CPackConfig.cmake> -DOUT=<folder> -P build_deb.cmake
# Builds the package from an already built tree into an emptied folder.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${CONFIG} -B ${OUT}
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB debs ${OUT}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "cpack wrote ${count} packages into ${OUT}, expected one .deb")
endif()
