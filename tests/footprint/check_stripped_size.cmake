# Strips a copy of BINARY into STRIPPED with the target's STRIP and fails when that copy is
# larger than LIMIT bytes.
execute_process(COMMAND ${STRIP} -o ${STRIPPED} ${BINARY} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${STRIP} -o ${STRIPPED} ${BINARY} failed")
endif()
file(SIZE ${STRIPPED} size)
math(EXPR headroom "${LIMIT} - ${size}")
message(STATUS "stripped qd_rc: ${size} bytes, budget ${LIMIT}, headroom ${headroom}")
if(size GREATER LIMIT)
  message(FATAL_ERROR "stripped qd_rc is ${size} bytes, over its budget of ${LIMIT}")
endif()
