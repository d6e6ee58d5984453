# Prints the size of the stripped installer stub against its goal.
#   cmake -DFILE=... -DARCH=... -DGOAL=bytes -P print_size.cmake
file(SIZE "${FILE}" size)
get_filename_component(name "${FILE}" NAME)
if(size GREATER GOAL)
  set(verdict "over the goal by")
  math(EXPR diff "${size} - ${GOAL}")
else()
  set(verdict "under the goal by")
  math(EXPR diff "${GOAL} - ${size}")
endif()
message(STATUS "${name} (${ARCH}) stripped size: ${size} bytes; goal <= ${GOAL}: ${verdict} ${diff} bytes")
