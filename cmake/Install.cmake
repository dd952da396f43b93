# What an installation (the Debian package, or cmake --install) holds: the
# POSIX program, escpos-decode, the escpos-virtual CUPS backend and the man
# pages of the three. The Windows program ships as a file on its own.
if(NOT DK_BUILD_PROGRAM OR NOT DK_BACKEND STREQUAL "posix" OR CMAKE_CROSSCOMPILING)
  return()
endif()
include(GNUInstallDirs)

install(TARGETS drawer-kick-test escpos-decode RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# cupsd looks for backends in ServerBin/backend, /usr/lib/cups/backend on
# Debian for every architecture. Mode 0755: cupsd runs a backend that is not
# 0700 as its unprivileged user (lp), which is all this one needs.
install(TARGETS escpos-virtual RUNTIME DESTINATION lib/cups/backend
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                    WORLD_READ WORLD_EXECUTE)

set(dk_man ${PROJECT_SOURCE_DIR}/docs/man)
install(FILES ${dk_man}/drawer-kick-test.1 ${dk_man}/escpos-decode.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${dk_man}/escpos-virtual.7 DESTINATION ${CMAKE_INSTALL_MANDIR}/man7)
