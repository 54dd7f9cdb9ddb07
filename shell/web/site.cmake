# Lays out the browser build's static site around the compiled program (wordmeadow.js and
# .wasm, already in SITE): the page, the pictures (at twice the size), the label font, the icons, the recordings
# with their subfolders, the listing of the recordings, and the service worker that caches it
# all. Run by the build as: cmake -DSOURCE=<repository> -DSITE=<folder> -DFONT=<ttf> -P site.cmake
foreach(variable SOURCE SITE FONT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "site.cmake needs -D${variable}=...")
  endif()
endforeach()
set(web "${SOURCE}/shell/web")

# The page's own files, its scripts in page/, and there the names of the pictures.
file(COPY "${web}/manifest.webmanifest" "${web}/update-listing.sh" "${FONT}"
     DESTINATION "${SITE}")
file(GLOB scripts "${web}/page/*.js")
file(REMOVE_RECURSE "${SITE}/page")
file(COPY ${scripts} DESTINATION "${SITE}/page")
# Only the pictures at twice the size: the page scales them smoothly to any size.
file(GLOB pictures "${SOURCE}/assets/2x/*.png")
file(REMOVE_RECURSE "${SITE}/assets")
file(MAKE_DIRECTORY "${SITE}/assets/2x")
file(COPY ${pictures} DESTINATION "${SITE}/assets/2x")
set(names "")
foreach(picture IN LISTS pictures)
  get_filename_component(name "${picture}" NAME_WE)
  list(APPEND names "'${name}'")
endforeach()
list(SORT names)
list(JOIN names ", " names)
file(READ "${web}/page/loading.js" loading)
string(REPLACE "/*@PICTURES@*/ []" "[${names}]" loading "${loading}")
file(CONFIGURE OUTPUT "${SITE}/page/loading.js" CONTENT "${loading}" @ONLY)

# The page, with the sizes of what its start may need (the program, its scripts, the label font
# and the pictures), for the first visit's progress.
file(GLOB_RECURSE needed RELATIVE "${SITE}" "${SITE}/*.js" "${SITE}/*.wasm" "${SITE}/*.ttf"
     "${SITE}/assets/2x/*.png")
list(REMOVE_ITEM needed "sw.js")
list(SORT needed)
set(sizes "")
foreach(file IN LISTS needed)
  file(SIZE "${SITE}/${file}" size)
  list(APPEND sizes "'${file}': ${size}")
endforeach()
list(JOIN sizes ", " sizes)
file(READ "${web}/index.html" index)
string(REPLACE "/*@SIZES@*/ {}" "{${sizes}}" index "${index}")
file(CONFIGURE OUTPUT "${SITE}/index.html" CONTENT "${index}" @ONLY)

set(icons "${SOURCE}/packaging/icon")
file(MAKE_DIRECTORY "${SITE}/icons")
foreach(size 64 128 256)
  file(COPY_FILE "${icons}/hicolor/${size}x${size}/apps/wordmeadow.png"
       "${SITE}/icons/wordmeadow-${size}.png" ONLY_IF_DIFFERENT)
endforeach()
file(COPY_FILE "${icons}/wordmeadow.svg" "${SITE}/icons/wordmeadow.svg" ONLY_IF_DIFFERENT)

# The recordings, subfolders and all, then their listing, written the way a school rewrites it.
file(GLOB_RECURSE recordings RELATIVE "${SOURCE}/recordings" "${SOURCE}/recordings/*")
foreach(recording IN LISTS recordings)
  get_filename_component(folder "${SITE}/${recording}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${SOURCE}/recordings/${recording}" "${SITE}/${recording}" ONLY_IF_DIFFERENT)
endforeach()
execute_process(COMMAND sh "${SITE}/update-listing.sh" OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

# The service worker: every file of the program (not the recordings, the listing or the listing
# command) with its SHA-256, which an install checks, and a stamp that changes with any of them.
file(GLOB_RECURSE files RELATIVE "${SITE}" "${SITE}/*")
list(SORT files)
set(program_files "")
set(hashes "")
foreach(file IN LISTS files)
  string(TOLOWER "${file}" lower)
  if(lower MATCHES "\\.wav" OR file STREQUAL "listing.txt" OR file STREQUAL "update-listing.sh"
     OR file STREQUAL "sw.js")
    continue()
  endif()
  file(SHA256 "${SITE}/${file}" hash)
  string(APPEND hashes "${hash} ${file}\n")
  list(APPEND program_files "\n  '${file}': '${hash}'")
endforeach()
string(SHA256 STAMP "${hashes}")
string(SUBSTRING "${STAMP}" 0 16 STAMP)
list(JOIN program_files "," PROGRAM_FILES)
string(APPEND PROGRAM_FILES "\n")
configure_file("${web}/sw.js.in" "${SITE}/sw.js" @ONLY)
