# `cmake --install` for the Linux build, laid out as a game on Debian: the
# launcher and the recorder's link in the games directory, the window program
# and the recorder in a folder of their own, the shipped race (data files and
# freshly drawn sheets) in the games data directory, and the desktop entry,
# icons, AppStream metainfo and manual pages where the desktop looks for
# them. Each games directory is a cache variable, relative to the prefix.
include(GNUInstallDirs)

set(GALLOP_INSTALL_GAMESDIR "games" CACHE STRING
    "Where the gallop launcher and gallop-record go, relative to the prefix")
set(GALLOP_INSTALL_GAMESLIBDIR "lib/games/gallop" CACHE STRING
    "Where the window program and the recorder themselves go, relative to the prefix")
set(GALLOP_INSTALL_GAMESDATADIR "${CMAKE_INSTALL_DATAROOTDIR}/games/gallop" CACHE STRING
    "Where the shipped race (deta/ and image/) goes, relative to the prefix")
set(GALLOP_HOMEPAGE "https://gallop.example.org/" CACHE STRING
    "The project's home page, named in the AppStream metainfo with its screenshot")

# The absolute paths the launcher and the manual pages name.
foreach(dir GAMESDIR GAMESLIBDIR GAMESDATADIR)
    cmake_path(ABSOLUTE_PATH GALLOP_INSTALL_${dir} BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
               OUTPUT_VARIABLE GALLOP_FULL_${dir})
endforeach()
set(GALLOP_PROGRAM ${GALLOP_FULL_GAMESLIBDIR}/gallop)
set(GALLOP_DATA ${GALLOP_FULL_GAMESDATADIR})
set(GALLOP_LAUNCHER ${GALLOP_FULL_GAMESDIR}/gallop)

set(GALLOP_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
configure_file(dist/gallop.in ${GALLOP_DIST_DIR}/gallop @ONLY)
configure_file(dist/gallop.desktop ${GALLOP_DIST_DIR}/gallop.desktop @ONLY)
configure_file(dist/gallop.metainfo.xml ${GALLOP_DIST_DIR}/io.gallop.gallop.metainfo.xml @ONLY)
configure_file(dist/gallop.6.in ${GALLOP_DIST_DIR}/gallop.6 @ONLY)
configure_file(dist/gallop-record.6.in ${GALLOP_DIST_DIR}/gallop-record.6 @ONLY)

install(TARGETS gallop gallop-record RUNTIME DESTINATION ${GALLOP_INSTALL_GAMESLIBDIR})
install(PROGRAMS ${GALLOP_DIST_DIR}/gallop DESTINATION ${GALLOP_INSTALL_GAMESDIR})
# gallop-record needs no launcher: a relative link in the games directory.
cmake_path(RELATIVE_PATH GALLOP_FULL_GAMESLIBDIR BASE_DIRECTORY "${GALLOP_FULL_GAMESDIR}"
           OUTPUT_VARIABLE GALLOP_RECORD_LINK)
install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}${GALLOP_FULL_GAMESDIR}\")
file(CREATE_LINK \"${GALLOP_RECORD_LINK}/gallop-record\"
     \"\$ENV{DESTDIR}${GALLOP_FULL_GAMESDIR}/gallop-record\" SYMBOLIC)
message(STATUS \"Installing: \$ENV{DESTDIR}${GALLOP_FULL_GAMESDIR}/gallop-record\")")

install(FILES deta/courseDeta.txt deta/rival.txt DESTINATION ${GALLOP_INSTALL_GAMESDATADIR}/deta)
install(FILES ${GALLOP_RUN_DIR}/image/course.bmp ${GALLOP_RUN_DIR}/image/horse.bmp
              ${GALLOP_RUN_DIR}/image/uniform.bmp ${GALLOP_RUN_DIR}/image/gate.bmp
        DESTINATION ${GALLOP_INSTALL_GAMESDATADIR}/image)

install(FILES ${GALLOP_DIST_DIR}/gallop.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${GALLOP_DIST_DIR}/io.gallop.gallop.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor)
install(FILES ${GALLOP_DIST_DIR}/gallop.6 ${GALLOP_DIST_DIR}/gallop-record.6
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
