# What `cmake --install` puts where (GNU layout) and the Debian package CPack makes of it.
# The game:      games/korvalen, games/korvalen-replay (recordings and scripts, no window)
# Its data:      ${CMAKE_INSTALL_DATADIR}/games/korvalen/{Data/,s_1.txt,s_2.txt,...}
# The desktop:   applications/, icons/hicolor/, metainfo/, man6/
# The docs:      doc/korvalen/{README.md.gz,CHANGELOG.md.gz,changelog.gz,copyright}

install(TARGETS korvalen RUNTIME DESTINATION ${KORVALEN_GAMES_DIR})
# korvalen-replay: installed by tools/CMakeLists.txt, where it is made
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Data DESTINATION ${KORVALEN_DATA_DIR})
# the arenas, one file a sector: s_1.txt and every one after it
file(GLOB KORVALEN_ARENAS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/s_*.txt)
install(FILES ${KORVALEN_ARENAS} DESTINATION ${KORVALEN_DATA_DIR})

set(KORVALEN_APP_ID io.github.korvalen.Korvalen)
# The menu starts the game by its full path (/usr/games is not on every PATH), in its data
# folder: started in $HOME, a folder there named Data would stand in for the game's images.
# Written again when installing, so the paths follow the prefix installed to (cpack's /usr,
# cmake --install --prefix); the build folder's copy is for desktop-file-validate.
set(KORVALEN_FULL_GAMES_DIR ${CMAKE_INSTALL_PREFIX}/${KORVALEN_GAMES_DIR})
set(KORVALEN_FULL_DATA_DIR ${CMAKE_INSTALL_PREFIX}/${KORVALEN_DATA_DIR})
configure_file(${CMAKE_SOURCE_DIR}/packaging/korvalen.desktop.in ${CMAKE_BINARY_DIR}/korvalen.desktop
               @ONLY)
install(CODE "
  set(KORVALEN_FULL_GAMES_DIR \"\${CMAKE_INSTALL_PREFIX}/${KORVALEN_GAMES_DIR}\")
  set(KORVALEN_FULL_DATA_DIR \"\${CMAKE_INSTALL_PREFIX}/${KORVALEN_DATA_DIR}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/korvalen.desktop.in\"
                 \"${CMAKE_BINARY_DIR}/installed/korvalen.desktop\" @ONLY)")
install(FILES ${CMAKE_BINARY_DIR}/installed/korvalen.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${KORVALEN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 64 128 256)
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}/korvalen.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian wants the man page compressed with gzip -9n (no name, no time: reproducible).
find_program(GZIP gzip)
foreach(page korvalen korvalen-replay)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${page}.6.gz
                     COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/${page}.6 > ${CMAKE_BINARY_DIR}/${page}.6.gz
                     DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${page}.6 VERBATIM)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
                   COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/debian.changelog > ${CMAKE_BINARY_DIR}/changelog.gz
                   DEPENDS ${CMAKE_SOURCE_DIR}/packaging/debian.changelog VERBATIM)
# The player's README and the changes of every version, which the man page points to.
foreach(doc README.md CHANGELOG.md)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${doc}.gz
                     COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/${doc} > ${CMAKE_BINARY_DIR}/${doc}.gz
                     DEPENDS ${CMAKE_SOURCE_DIR}/${doc} VERBATIM)
endforeach()
add_custom_target(korvalen_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/korvalen.6.gz
                                            ${CMAKE_BINARY_DIR}/korvalen-replay.6.gz
                                            ${CMAKE_BINARY_DIR}/changelog.gz
                                            ${CMAKE_BINARY_DIR}/README.md.gz
                                            ${CMAKE_BINARY_DIR}/CHANGELOG.md.gz)
install(FILES ${CMAKE_BINARY_DIR}/korvalen.6.gz ${CMAKE_BINARY_DIR}/korvalen-replay.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz
              ${CMAKE_BINARY_DIR}/README.md.gz ${CMAKE_BINARY_DIR}/CHANGELOG.md.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvalen)
# lintian takes the arena file for documentation; the override says it is the game's data.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME korvalen)

# cpack -G DEB in the build folder: korvalen_1.2.0_amd64.deb, dependencies from the binary.
set(CPACK_PACKAGE_NAME korvalen)
set(CPACK_PACKAGE_VENDOR "Korvalen developers")
set(CPACK_PACKAGE_CONTACT "Korvalen developers <korvalen@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-player arena game for one keyboard")
set(CPACK_PACKAGE_DESCRIPTION "Two archers share a top-down field on one keyboard: they walk, pick up the
bows lying on the ground, shoot arrows in each bow's pattern and strike with
a sword at close range. A hit scores a point for the attacker and costs the
target one; after 500 time units the better rating wins. One player can face
the computer opponent, two can play over the network, gamepads play beside
the keyboard, the keys can be changed in the game, and the texts are in
Slovak or English.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# What Debian's own packaging strips besides: the compilers' version notes.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/strip_notes.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens libGL.so.1 and the GL driver at run time, so shlibdeps cannot see them.
# ENet (online play) links like SDL, so shlibdeps adds libenet7 from the binary.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_GENERATOR DEB)
# Only the game itself: the tests, tools and benchmarks install nothing.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Korvalen;ALL;/")
include(CPack)
