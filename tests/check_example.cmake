# Converts one example copybook in a scratch folder and compares the result
# with the format file kept beside it in examples/.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${EXAMPLES}/${NAME}.cpy" DESTINATION "${WORK}")
separate_arguments(options UNIX_COMMAND "${OPTIONS}")
execute_process(COMMAND "${RECFORGE}" ${options} -i ${NAME}.cpy -o ${NAME}.fmt
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status
                OUTPUT_VARIABLE output INPUT_FILE /dev/null)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "recforge failed with ${status}:\n${output}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                "${WORK}/${NAME}.fmt" "${EXAMPLES}/${NAME}.fmt" RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${NAME}.fmt differs from examples/${NAME}.fmt")
endif()
file(REMOVE_RECURSE "${WORK}")
