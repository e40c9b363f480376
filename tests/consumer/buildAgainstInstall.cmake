# Installs BUILD_DIR into a fresh prefix under WORK_DIR, then configures,
# builds and runs the consumer project in SOURCE_DIR against that prefix.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
    ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(program oamst zorvane treecheck treeplot treegen)
  if(NOT EXISTS ${prefix}/bin/${program})
    message(FATAL_ERROR "the install has no bin/${program}")
  endif()
endforeach()
if(NOT EXISTS ${prefix}/include/treecore/router/router.h)
  message(FATAL_ERROR "the install has no include/treecore/router/router.h")
endif()

set(flags)
if(SANITIZE)
  # The installed library carries the sanitizers' calls.
  set(flags -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined)
elseif(TSAN)
  set(flags -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread)
endif()
run("configuring the consumer" ${CMAKE_COMMAND} -S ${SOURCE_DIR}
  -B ${WORK_DIR}/build -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_CXX_COMPILER=${CXX} ${flags})
run("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run("running the consumer" ${WORK_DIR}/build/consumer)
if(NOT out MATCHES "^3 pins, the second at 2.5 4, [1-9][0-9]* segments\n$")
  message(FATAL_ERROR "the consumer printed: ${out}")
endif()
if(NOT EXISTS ${prefix}/include/treecore/treecore/route.h)
  message(FATAL_ERROR "the install has no include/treecore/treecore/route.h")
endif()
run("running the value interface's consumer" ${WORK_DIR}/build/valuesConsumer)
if(NOT out MATCHES "^net 1: ok, wire length [0-9]+\n.*net 2: ok, wire length 95\n  node 1 hangs from node 0 by 95\n$")
  message(FATAL_ERROR "the value interface's consumer printed: ${out}")
endif()
