# Converts one example copybook in a scratch folder and compares the format
# file and the layout map with those kept beside it in examples/.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${EXAMPLES}/${NAME}.cpy" DESTINATION "${WORK}")
separate_arguments(options UNIX_COMMAND "${OPTIONS}")
execute_process(COMMAND "${RECFORGE}" ${options} -i ${NAME}.cpy -o ${NAME}.fmt --map ${NAME}.map
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status
                OUTPUT_VARIABLE output INPUT_FILE /dev/null)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "recforge failed with ${status}:\n${output}")
endif()
foreach(type fmt map)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                  "${WORK}/${NAME}.${type}" "${EXAMPLES}/${NAME}.${type}" RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${NAME}.${type} differs from examples/${NAME}.${type}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
