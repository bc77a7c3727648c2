# libdatachannel (WebRTC data channels for internet play) and its libjuice, from the sources
# carried in third_party/libdatachannel, built static against Debian's libusrsctp and OpenSSL.
# The build takes minutes, so its installed result is kept outside the tree, in
# KORVALEN_DATACHANNEL_CACHE (default ~/.cache/korvalen-datachannel), under a name made of the
# version and the compiler: a rebuild, and a fresh clone on the same machine, take it from
# there. The target is korvalen::datachannel.
set(KORVALEN_DATACHANNEL_VERSION 0.24.5)
set(_dc_source ${CMAKE_CURRENT_LIST_DIR}/libdatachannel)

if(DEFINED ENV{KORVALEN_DATACHANNEL_CACHE})
  set(_dc_cache_default $ENV{KORVALEN_DATACHANNEL_CACHE})
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(_dc_cache_default $ENV{XDG_CACHE_HOME}/korvalen-datachannel)
else()
  set(_dc_cache_default $ENV{HOME}/.cache/korvalen-datachannel)
endif()
set(KORVALEN_DATACHANNEL_CACHE ${_dc_cache_default}
    CACHE PATH "Where the static libdatachannel build is kept between builds and clones")

# The C and C++ compilers, their versions, the options below and the files changed from the
# release (third_party/libdatachannel/CHANGES.korvalen) name the build: any change builds again.
set(_dc_changed deps/libjuice/src/turn.c)
set(_dc_changed_sums)
foreach(_dc_file ${_dc_changed})
  file(SHA1 ${_dc_source}/${_dc_file} _dc_sum)
  list(APPEND _dc_changed_sums ${_dc_sum})
endforeach()
set(_dc_options -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DNO_MEDIA=ON -DNO_WEBSOCKET=ON
                -DNO_EXAMPLES=ON -DNO_TESTS=ON -DUSE_SYSTEM_USRSCTP=ON
                -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DCMAKE_INSTALL_LIBDIR=lib)
enable_language(C)
string(SHA1 _dc_key "${CMAKE_C_COMPILER_ID} ${CMAKE_C_COMPILER_VERSION} ${CMAKE_CXX_COMPILER_ID} \
${CMAKE_CXX_COMPILER_VERSION} ${_dc_options} ${_dc_changed_sums}")
string(SUBSTRING ${_dc_key} 0 12 _dc_key)
set(_dc_prefix ${KORVALEN_DATACHANNEL_CACHE}/${KORVALEN_DATACHANNEL_VERSION}-${_dc_key})

if(NOT EXISTS ${_dc_prefix}/lib/libdatachannel.a OR NOT EXISTS ${_dc_prefix}/lib/libjuice.a)
  message(STATUS "libdatachannel ${KORVALEN_DATACHANNEL_VERSION}: building once into ${_dc_prefix} "
                 "(a few minutes)")
  set(_dc_build ${CMAKE_BINARY_DIR}/third_party/datachannel-build)
  set(_dc_stage ${CMAKE_BINARY_DIR}/third_party/datachannel-stage)
  file(REMOVE_RECURSE ${_dc_stage})
  set(_dc_launchers)
  if(CMAKE_CXX_COMPILER_LAUNCHER)
    list(APPEND _dc_launchers -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
  endif()
  if(CMAKE_C_COMPILER_LAUNCHER)
    list(APPEND _dc_launchers -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER})
  endif()
  foreach(_dc_step
      "${CMAKE_COMMAND};-S;${_dc_source};-B;${_dc_build};-DCMAKE_C_COMPILER=${CMAKE_C_COMPILER};-DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER};${_dc_options};${_dc_launchers};-DCMAKE_INSTALL_PREFIX=${_dc_stage}"
      "${CMAKE_COMMAND};--build;${_dc_build};-j2"
      "${CMAKE_COMMAND};--install;${_dc_build}")
    execute_process(COMMAND ${_dc_step} RESULT_VARIABLE _dc_result OUTPUT_QUIET)
    if(NOT _dc_result EQUAL 0)
      message(FATAL_ERROR "libdatachannel: the build failed (${_dc_step}); its output is in ${_dc_build}")
    endif()
  endforeach()
  # libjuice is built beside it, not installed, when static
  file(GLOB_RECURSE _dc_juice ${_dc_build}/libjuice*.a)
  file(COPY ${_dc_juice} DESTINATION ${_dc_stage}/lib)
  # Moved in whole, so a build stopped half-way never leaves a cache that looks complete.
  get_filename_component(_dc_parent ${_dc_prefix} DIRECTORY)
  file(MAKE_DIRECTORY ${_dc_parent})
  file(REMOVE_RECURSE ${_dc_prefix})
  file(RENAME ${_dc_stage} ${_dc_prefix})
else()
  message(STATUS "libdatachannel ${KORVALEN_DATACHANNEL_VERSION}: taken from ${_dc_prefix}")
endif()

find_package(Threads REQUIRED)
find_package(OpenSSL REQUIRED)
find_library(KORVALEN_USRSCTP usrsctp REQUIRED)
add_library(korvalen_datachannel_juice STATIC IMPORTED)
set_target_properties(korvalen_datachannel_juice PROPERTIES IMPORTED_LOCATION ${_dc_prefix}/lib/libjuice.a)
add_library(korvalen::datachannel STATIC IMPORTED)
set_target_properties(korvalen::datachannel PROPERTIES
  IMPORTED_LOCATION ${_dc_prefix}/lib/libdatachannel.a
  INTERFACE_INCLUDE_DIRECTORIES ${_dc_prefix}/include
  INTERFACE_LINK_LIBRARIES "korvalen_datachannel_juice;${KORVALEN_USRSCTP};OpenSSL::SSL;OpenSSL::Crypto;Threads::Threads")
