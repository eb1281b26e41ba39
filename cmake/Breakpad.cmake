# Google Breakpad's Linux client, compiled from the sources that the npm package "minidump"
# ships. The package (pinned by third_party/breakpad/package-lock.json) is installed into the
# build tree at configure time; its install script builds tools we already get prebuilt, so
# it is skipped. Nothing of Breakpad lives in the repository.
set(BREAKPAD_NPM_SOURCE ${CMAKE_SOURCE_DIR}/third_party/breakpad)
set(BREAKPAD_NPM_DIR ${CMAKE_BINARY_DIR}/breakpad)
set(BREAKPAD_PACKAGE_DIR ${BREAKPAD_NPM_DIR}/node_modules/minidump)
set(BREAKPAD_STACKWALK ${BREAKPAD_PACKAGE_DIR}/bin/linux-x64/minidump_stackwalk)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${BREAKPAD_NPM_SOURCE}/package.json ${BREAKPAD_NPM_SOURCE}/package-lock.json)
file(SHA256 ${BREAKPAD_NPM_SOURCE}/package-lock.json breakpad_lock_hash)
set(breakpad_stamp ${BREAKPAD_NPM_DIR}/installed-lock.sha256)
set(breakpad_installed_hash "")
if(EXISTS ${breakpad_stamp} AND EXISTS ${BREAKPAD_PACKAGE_DIR}/package.json)
  file(READ ${breakpad_stamp} breakpad_installed_hash)
endif()
if(NOT breakpad_installed_hash STREQUAL breakpad_lock_hash)
  find_program(NPM_EXECUTABLE npm REQUIRED)
  file(COPY ${BREAKPAD_NPM_SOURCE}/package.json ${BREAKPAD_NPM_SOURCE}/package-lock.json
    DESTINATION ${BREAKPAD_NPM_DIR})
  message(STATUS "Installing Breakpad (npm package minidump) into ${BREAKPAD_NPM_DIR}")
  execute_process(COMMAND ${NPM_EXECUTABLE} ci --ignore-scripts --no-audit --no-fund
    WORKING_DIRECTORY ${BREAKPAD_NPM_DIR} RESULT_VARIABLE breakpad_npm_result)
  if(NOT breakpad_npm_result EQUAL 0)
    message(FATAL_ERROR "npm ci for Breakpad failed (${breakpad_npm_result})")
  endif()
  file(WRITE ${breakpad_stamp} ${breakpad_lock_hash})
endif()

# The handler takes its own CPU context with Breakpad's getcontext, written in assembly.
enable_language(ASM)
set(bp ${BREAKPAD_PACKAGE_DIR}/deps/breakpad/src)
add_library(breakpad_client STATIC
  ${bp}/client/linux/crash_generation/crash_generation_client.cc
  ${bp}/client/linux/crash_generation/crash_generation_server.cc
  ${bp}/client/linux/dump_writer_common/thread_info.cc
  ${bp}/client/linux/dump_writer_common/ucontext_reader.cc
  ${bp}/client/linux/handler/exception_handler.cc
  ${bp}/client/linux/handler/minidump_descriptor.cc
  ${bp}/client/linux/log/log.cc
  ${bp}/client/linux/microdump_writer/microdump_writer.cc
  ${bp}/client/linux/minidump_writer/linux_core_dumper.cc
  ${bp}/client/linux/minidump_writer/linux_dumper.cc
  ${bp}/client/linux/minidump_writer/linux_ptrace_dumper.cc
  ${bp}/client/linux/minidump_writer/minidump_writer.cc
  ${bp}/client/linux/minidump_writer/pe_file.cc
  ${bp}/client/minidump_file_writer.cc
  ${bp}/common/convert_UTF.cc
  ${bp}/common/md5.cc
  ${bp}/common/string_conversion.cc
  ${bp}/common/linux/elf_core_dump.cc
  ${bp}/common/linux/elfutils.cc
  ${bp}/common/linux/breakpad_getcontext.S
  ${bp}/common/linux/file_id.cc
  ${bp}/common/linux/guid_creator.cc
  ${bp}/common/linux/linux_libc_support.cc
  ${bp}/common/linux/memory_mapped_file.cc
  ${bp}/common/linux/safe_readlink.cc)
# The linux-syscall-support header sits beside the Breakpad tree in the package.
target_include_directories(breakpad_client SYSTEM PUBLIC ${bp} ${BREAKPAD_PACKAGE_DIR}/deps)
target_compile_definitions(breakpad_client PRIVATE HAVE_SYS_RANDOM_H HAVE_GETRANDOM)
target_compile_options(breakpad_client PRIVATE -Wno-error -w
  # The assembly file lacks the non-executable-stack note, which would make every stack executable.
  $<$<COMPILE_LANGUAGE:ASM>:-Wa,--noexecstack>)
target_link_libraries(breakpad_client PUBLIC pthread)

# The handler runs inside a broken process on its own stack and in a cloned child that
# ptraces its parent; the sanitizer runtimes do not expect that, so Breakpad is built plain.
get_target_property(breakpad_options breakpad_client COMPILE_OPTIONS)
list(FILTER breakpad_options EXCLUDE REGEX "sanitize")
set_target_properties(breakpad_client PROPERTIES COMPILE_OPTIONS "${breakpad_options}")

target_link_libraries(vesk_core PUBLIC breakpad_client)
