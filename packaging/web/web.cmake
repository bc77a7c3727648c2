# The game in a web browser (web.sh configures this with emcmake): the game's own folders,
# compiled to WebAssembly by emscripten, over SDL2 and SDL2_mixer built for the web from
# Debian's source (KORVALEN_WEB_DEPS, their install prefix) and emscripten's legacy-GL
# emulation for GL and GLU. No network folder: a browser gives no UDP. The page is index.html beside the program
# (index.js, index.wasm) and the images and arena it preloads (index.data).
set(KORVALEN_WEB_DEPS "" CACHE PATH "Install prefix of SDL2 built for the web (web.sh sets it)")
if(NOT EXISTS "${KORVALEN_WEB_DEPS}/lib/libSDL2.a")
  message(FATAL_ERROR "No SDL2 for the web under KORVALEN_WEB_DEPS='${KORVALEN_WEB_DEPS}': build with ./web.sh")
endif()

# The names the desktop's find_package and pkg_check_modules give, so the folders link the same.
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_include_directories(PkgConfig::SDL2 INTERFACE ${KORVALEN_WEB_DEPS}/include/SDL2)
target_link_libraries(PkgConfig::SDL2 INTERFACE ${KORVALEN_WEB_DEPS}/lib/libSDL2.a)
# SDL's browser audio calls two of emscripten's JavaScript helpers that a link leaves out
# unless asked for (sdl_helpers.json names them): the one that starts the audio at the
# first key or click, and the one that calls the mixer back.
target_link_options(PkgConfig::SDL2 INTERFACE
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_SOURCE_DIR}/packaging/web/sdl_helpers.json)
add_library(PkgConfig::SDL2_MIXER INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2_MIXER INTERFACE ${KORVALEN_WEB_DEPS}/lib/libSDL2_mixer.a)
add_library(OpenGL::GL INTERFACE IMPORTED)
target_link_options(OpenGL::GL INTERFACE -sLEGACY_GL_EMULATION=1)
add_library(OpenGL::GLU INTERFACE IMPORTED)

add_subdirectory(render)
add_subdirectory(screens)
add_subdirectory(platform)
add_subdirectory(game)
add_subdirectory(po)

# build-web/index.html and its program; the folders the game reads lie in the page's own
# file system where the desktop game finds them, in its working directory, and the English
# catalog where an install puts it. The browser's storage (IndexedDB) keeps the settings.
set(web_shell ${CMAKE_SOURCE_DIR}/packaging/web/shell.html)
set_target_properties(korvalen PROPERTIES OUTPUT_NAME index SUFFIX .html LINK_DEPENDS ${web_shell})
target_link_options(korvalen PRIVATE
  -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sMINIFY_HTML=0 -lidbfs.js --shell-file ${web_shell}
  "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/Data@/Data"
  "SHELL:--preload-file ${CMAKE_BINARY_DIR}/locale@${CMAKE_INSTALL_FULL_LOCALEDIR}")
# every arena, s_1.txt and the others, beside the images
file(GLOB web_arenas CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/s_*.txt)
foreach(arena ${web_arenas})
  get_filename_component(arena_name ${arena} NAME)
  target_link_options(korvalen PRIVATE "SHELL:--preload-file ${arena}@/${arena_name}")
endforeach()
