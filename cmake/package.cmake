# The release package of this build: a ZIP (Windows) or .tar.gz (Linux) holding the stripped
# program, the README and the license; the program's debug symbols stay in a file beside
# the package, which the stripped program names in its .gnu_debuglink section, so that gdb
# finds them when the file lies beside the program.
#   cmake --build BUILD --target release_program && (cd BUILD && cpack)
#     ->  BUILD/packages/updater-VERSION-SYSTEM.{zip,tar.gz} and updater-VERSION-SYSTEM.debug
# scripts/package.sh does this for the three builds. Installing builds only what it installs
# (the release program), not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
if(WIN32)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(UPDATER_PACKAGE_SYSTEM win64)
  else()
    set(UPDATER_PACKAGE_SYSTEM win32)
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  set(UPDATER_PACKAGE_SYSTEM linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR TGZ)
endif()
set(UPDATER_PACKAGE_NAME updater-${PROJECT_VERSION}-${UPDATER_PACKAGE_SYSTEM})
set(UPDATER_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages)
set(UPDATER_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(UPDATER_RELEASE_PROGRAM ${UPDATER_RELEASE_DIR}/updater${CMAKE_EXECUTABLE_SUFFIX})
set(UPDATER_DEBUG_FILE ${UPDATER_PACKAGE_DIR}/${UPDATER_PACKAGE_NAME}.debug)
if(NOT CMAKE_OBJCOPY)
  message(FATAL_ERROR "no objcopy for this build's target")
endif()

# The build's own program keeps its symbols for the tests and debugging; the release copy
# is stripped on every build, which takes a moment.
add_custom_command(
  OUTPUT ${UPDATER_RELEASE_PROGRAM} ${UPDATER_DEBUG_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${UPDATER_RELEASE_DIR} ${UPDATER_PACKAGE_DIR}
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:updater> ${UPDATER_DEBUG_FILE}
  COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${UPDATER_DEBUG_FILE}
          $<TARGET_FILE:updater> ${UPDATER_RELEASE_PROGRAM}
  DEPENDS updater
  COMMENT "Stripping the release program; its symbols go to ${UPDATER_PACKAGE_NAME}.debug")
add_custom_target(release_program ALL DEPENDS ${UPDATER_RELEASE_PROGRAM} ${UPDATER_DEBUG_FILE})

install(PROGRAMS ${UPDATER_RELEASE_PROGRAM} DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_PACKAGE_NAME updater)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the updater authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${UPDATER_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME ${UPDATER_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${UPDATER_PACKAGE_DIR})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
