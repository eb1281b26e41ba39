# Builds small Windows programs with real icon resources for the program icon tests:
#   desk64.exe (PE32+) and desk32.exe (PE32) carry desk.ico (48, 32 and 16 pixels);
#   blue64.exe carries blue.ico (one 32-pixel image).
# Needs ImageMagick and the MinGW-w64 binutils (tools/setup.sh installs them).
set(tools_x64 x86_64-w64-mingw32)
set(tools_x86 i686-w64-mingw32)
file(MAKE_DIRECTORY ${OUT})

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${OUT} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}")
  endif()
endfunction()

run(convert -background none ${ICON_SVG} -define icon:auto-resize=48,32,16 desk.ico)
run(convert -size 32x32 "xc:#3060c0" blue.ico)
file(WRITE ${OUT}/start.s ".globl _start\n_start:\n ret\n")
file(WRITE ${OUT}/desk.rc "1 ICON \"desk.ico\"\n")
file(WRITE ${OUT}/blue.rc "7 ICON \"blue.ico\"\n")

function(program tools name rc)
  run(${tools}-windres --preprocessor=cpp ${rc} -O coff -o ${name}_res.o)
  run(${tools}-as start.s -o ${name}_start.o)
  run(${tools}-ld -e _start --subsystem windows ${name}_start.o ${name}_res.o -o ${name}.exe)
endfunction()

program(${tools_x64} desk64 desk.rc)
program(${tools_x86} desk32 desk.rc)
program(${tools_x64} blue64 blue.rc)
