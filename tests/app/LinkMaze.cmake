# A folder tree that costs a scan minutes yet holds almost nothing: every level
# links twice to the next, and a scan follows every link it is not already
# inside, so the deepest level is reached by 2^DEPTH routes.
# Usage: cmake -DDIR=folder [-DDEPTH=n] -P LinkMaze.cmake
if(NOT DEPTH)
  set(DEPTH 24)
endif()
file(REMOVE_RECURSE ${DIR})
foreach(level RANGE 0 ${DEPTH})
  file(MAKE_DIRECTORY ${DIR}/d${level})
  file(TOUCH ${DIR}/d${level}/p${level}.jpg)
  if(level GREATER 0)
    math(EXPR above "${level} - 1")
    file(CREATE_LINK ${DIR}/d${level} ${DIR}/d${above}/a SYMBOLIC)
    file(CREATE_LINK ${DIR}/d${level} ${DIR}/d${above}/b SYMBOLIC)
  endif()
endforeach()
