# Builds each probe target of PROBES ("<target>:<header>") in the build folder BUILD; fails unless every one fails
# because its header is not found.
foreach(probe ${PROBES})
    string(REPLACE ":" ";" fields ${probe})
    list(GET fields 0 target)
    list(GET fields 1 header)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${target}
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(result EQUAL 0)
        message(FATAL_ERROR "${target} built: ${header} was in reach")
    endif()
    string(FIND "${output}" "${header}: No such file" missing)
    if(missing EQUAL -1)
        message(FATAL_ERROR "${target} failed otherwise than for want of ${header}:\n${output}")
    endif()
    message(STATUS "${header} out of reach, as it should be")
endforeach()
