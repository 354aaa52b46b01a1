# Fails unless the dynamic section of BINARY (read with READELF) names the C library as a
# NEEDED entry and nothing else (its dynamic loader counts as the C library: with
# -fstack-protector, glibc's MIPS builds keep the guard there), apart from libraries matching
# the regular expression ALLOWED.
execute_process(COMMAND ${READELF} -d ${BINARY} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} -d ${BINARY} failed")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]*\\]" entries "${dynamic}")
set(needed "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE ".*\\[(.*)\\]" "\\1" library "${entry}")
  list(APPEND needed ${library})
endforeach()
message(STATUS "NEEDED: ${needed}")

set(has_libc FALSE)
set(unexpected "")
foreach(library IN LISTS needed)
  if(library MATCHES "^libc[.]so([.][0-9]+)?$")
    set(has_libc TRUE)
  elseif(library MATCHES "^ld([.-].*)?[.]so([.][0-9]+)?$")
    # the C library's own loader
  elseif(NOT ALLOWED OR NOT library MATCHES "^(${ALLOWED})$")
    list(APPEND unexpected ${library})
  endif()
endforeach()
if(unexpected)
  message(FATAL_ERROR "qd_rc must need the C library only, but also needs: ${unexpected}")
endif()
if(NOT has_libc)
  message(FATAL_ERROR "qd_rc does not name the C library as NEEDED (static or broken link?)")
endif()
