# The browser build (emcmake cmake): the program compiled to WebAssembly with the browser
# backend (shell/web/), and the static site around it in <build>/site, which any web server can
# serve. Included from the top-level CMakeLists.txt when building with Emscripten.
find_file(WORDMEADOW_FONT LiberationSans-Bold.ttf
  PATHS /usr/share/fonts/truetype/liberation2 /usr/share/fonts/truetype/liberation
  DOC "Arial-metric bold font the page loads for its labels" REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(WORDMEADOW_SITE "${CMAKE_BINARY_DIR}/site")

set(_wordmeadow_web "${CMAKE_CURRENT_SOURCE_DIR}/shell/web")

# The listing of the recordings the program is built with, written into the program as the
# site's listing command (update-listing.sh) writes it into the site: every file whose name
# contains .wav, in any case, hidden ones left out, sorted bytewise.
file(GLOB_RECURSE _wordmeadow_recordings RELATIVE "${PROJECT_SOURCE_DIR}/recordings"
  CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/recordings/*")
list(FILTER _wordmeadow_recordings EXCLUDE REGEX "(^|/)\\.")
set(_wordmeadow_listed "")
foreach(_recording IN LISTS _wordmeadow_recordings)
  get_filename_component(_name "${_recording}" NAME)
  string(TOLOWER "${_name}" _name)
  if(_name MATCHES "\\.wav")
    list(APPEND _wordmeadow_listed "${_recording}")
  endif()
endforeach()
list(SORT _wordmeadow_listed)
list(JOIN _wordmeadow_listed "\n" WORDMEADOW_BUILT_IN_LISTING)
file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/built_in_listing.cpp" CONTENT [[
// Written by the build (cmake/WebProgram.cmake).
#include "shell/web/built_in_listing.h"

std::string_view wordmeadow::builtInListing() {
  return R"listing(@WORDMEADOW_BUILT_IN_LISTING@
)listing";
}
]] @ONLY)

add_executable(wordmeadow ${_wordmeadow_web}/listing_file.cpp ${_wordmeadow_web}/web_capture.cpp
  ${_wordmeadow_web}/web_file_dialogs.cpp ${_wordmeadow_web}/web_main.cpp
  ${_wordmeadow_web}/web_platform.cpp ${_wordmeadow_web}/web_screen.cpp
  "${CMAKE_BINARY_DIR}/built_in_listing.cpp")
target_link_libraries(wordmeadow PRIVATE wordmeadow_logic wordmeadow_warnings)
set_target_properties(wordmeadow PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${WORDMEADOW_SITE}")
# A module the page starts itself (createWordmeadow), with no main(). Its file system is in
# memory, but for the voice folder, which the page keeps in the site's IndexedDB (IDBFS).
target_link_options(wordmeadow PRIVATE --no-entry -sMODULARIZE=1 -sEXPORT_NAME=createWordmeadow
  -sENVIRONMENT=web -sFORCE_FILESYSTEM=1 -lidbfs.js -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_RUNTIME_METHODS=ccall,FS)

file(GLOB_RECURSE _wordmeadow_site_sources CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/assets/2x/*.png" "${PROJECT_SOURCE_DIR}/recordings/*"
  "${_wordmeadow_web}/*.html" "${_wordmeadow_web}/page/*.js"
  "${_wordmeadow_web}/*.in" "${_wordmeadow_web}/*.sh"
  "${_wordmeadow_web}/*.webmanifest" "${_wordmeadow_web}/site.cmake")
add_custom_command(OUTPUT "${WORDMEADOW_SITE}/sw.js"
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DSITE=${WORDMEADOW_SITE}
          -DFONT=${WORDMEADOW_FONT} -P "${_wordmeadow_web}/site.cmake"
  DEPENDS wordmeadow ${_wordmeadow_site_sources} "${WORDMEADOW_SITE}/${WORDMEADOW_ABOUT_PAGE}"
  COMMENT "Laying out the site in ${WORDMEADOW_SITE}")
add_custom_target(wordmeadow_site ALL DEPENDS "${WORDMEADOW_SITE}/sw.js")
