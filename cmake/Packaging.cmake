# Installation as a desktop program, and the Debian package made from it by
#   cpack --config <build>/CPackConfig.cmake -G DEB
# The packager sets only the install prefix and WORDMEADOW_PUBLISHER_URL; everything else is fixed.

# A value written into an XML file (the software-centre metadata, the MSI's source).
function(wordmeadow_xml_text value out)
  string(REPLACE "&" "&amp;" value "${value}")
  string(REPLACE "<" "&lt;" value "${value}")
  string(REPLACE ">" "&gt;" value "${value}")
  string(REPLACE "\"" "&quot;" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
wordmeadow_xml_text("${WORDMEADOW_PUBLISHER_URL}" WORDMEADOW_PUBLISHER_URL_XML)

# The page about the program, beside it in the build folder (in the browser build, the site) as
# in every package. Its notices are packaging/copyright's, word for word.
set(_wordmeadow_copyright "${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_wordmeadow_copyright}")
file(READ "${_wordmeadow_copyright}" _wordmeadow_notices)
wordmeadow_xml_text("${_wordmeadow_notices}" WORDMEADOW_COPYRIGHT_HTML)
if(WORDMEADOW_PUBLISHER_URL)
  set(WORDMEADOW_ABOUT_UPDATES "New versions are published at <a href=\"${WORDMEADOW_PUBLISHER_URL_XML}\">${WORDMEADOW_PUBLISHER_URL_XML}</a>.")
else()
  set(WORDMEADOW_ABOUT_UPDATES "New versions come the way this one came: from whoever gave you Wordmeadow or put it on your computer.")
endif()
if(EMSCRIPTEN)
  set(WORDMEADOW_ABOUT_PAGE_FILE "${WORDMEADOW_SITE}/${WORDMEADOW_ABOUT_PAGE}")
else()
  set(WORDMEADOW_ABOUT_PAGE_FILE "${CMAKE_CURRENT_BINARY_DIR}/${WORDMEADOW_ABOUT_PAGE}")
endif()
configure_file("${CMAKE_CURRENT_SOURCE_DIR}/packaging/about.html.in" "${WORDMEADOW_ABOUT_PAGE_FILE}"
               @ONLY)

# The layout below (a command link, the hicolor theme, a .deb) is a Linux desktop's; a Windows
# build is laid out and packaged its own way (setup program, MSI and zip).
if(WIN32)
  include("${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/WindowsPackages.cmake")
  return()
endif()

include(GNUInstallDirs)

# Debian Policy keeps a game's command in /usr/games and its private files in
# /usr/lib/games/<name>. The program looks for its recordings beside its own file, so the
# executable and the recordings share that one folder and the command is a relative link to it,
# which keeps the installed tree movable. Fixed paths rather than CMAKE_INSTALL_LIBDIR, which on
# Debian can be the multiarch lib/x86_64-linux-gnu where a game's files do not belong.
set(WORDMEADOW_INSTALL_APPDIR "lib/games/wordmeadow")
set(WORDMEADOW_INSTALL_COMMANDDIR "games")

# Directories created on the way keep 0755 whatever the umask of whoever builds the package.
set(WORDMEADOW_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${WORDMEADOW_DIRECTORY_PERMISSIONS})

set(WORDMEADOW_PACKAGING_SOURCE "${CMAKE_CURRENT_SOURCE_DIR}/packaging")
set(WORDMEADOW_PACKAGING_BINARY "${CMAKE_CURRENT_BINARY_DIR}/packaging")
file(MAKE_DIRECTORY "${WORDMEADOW_PACKAGING_BINARY}")

install(TARGETS wordmeadow RUNTIME DESTINATION "${WORDMEADOW_INSTALL_APPDIR}")
install(FILES ${WORDMEADOW_RECORDINGS} DESTINATION "${WORDMEADOW_INSTALL_APPDIR}")
install(FILES ${WORDMEADOW_WORD_RECORDINGS} DESTINATION "${WORDMEADOW_INSTALL_APPDIR}/words")
install(FILES "${WORDMEADOW_ABOUT_PAGE_FILE}" DESTINATION "${WORDMEADOW_INSTALL_APPDIR}")

# The link is made here in the build tree and installed as a link (install(FILES) keeps links).
file(RELATIVE_PATH _wordmeadow_link_target "/${WORDMEADOW_INSTALL_COMMANDDIR}"
     "/${WORDMEADOW_INSTALL_APPDIR}/wordmeadow")
file(CREATE_LINK "${_wordmeadow_link_target}" "${WORDMEADOW_PACKAGING_BINARY}/wordmeadow"
     SYMBOLIC)
install(FILES "${WORDMEADOW_PACKAGING_BINARY}/wordmeadow"
        DESTINATION "${WORDMEADOW_INSTALL_COMMANDDIR}")

# Menu entry, software-centre metadata and icon.
install(FILES "${WORDMEADOW_PACKAGING_SOURCE}/wordmeadow.desktop"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")

# The metadata names the publisher's page as the homepage, the same page Exit! opens; without
# one, the package names no homepage (the page it ships is no web address).
if(WORDMEADOW_PUBLISHER_URL)
  set(WORDMEADOW_METAINFO_HOMEPAGE "<url type=\"homepage\">${WORDMEADOW_PUBLISHER_URL_XML}</url>")
else()
  set(WORDMEADOW_METAINFO_HOMEPAGE "<!-- no homepage: the page about the program lies beside it -->")
endif()
set(_wordmeadow_metainfo "io.github.wordmeadow.Wordmeadow.metainfo.xml")
configure_file("${WORDMEADOW_PACKAGING_SOURCE}/${_wordmeadow_metainfo}.in"
               "${WORDMEADOW_PACKAGING_BINARY}/${_wordmeadow_metainfo}" @ONLY)
install(FILES "${WORDMEADOW_PACKAGING_BINARY}/${_wordmeadow_metainfo}"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")

install(DIRECTORY "${WORDMEADOW_PACKAGING_SOURCE}/icon/hicolor"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons"
        FILES_MATCHING PATTERN "wordmeadow.png")
install(FILES "${WORDMEADOW_PACKAGING_SOURCE}/icon/wordmeadow.svg"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps")

# Manual page and changelog go compressed, without a name or time stamp in the gzip header, so
# that two builds of the same sources give the same package.
set(_wordmeadow_compressed)
foreach(_name wordmeadow.6 changelog)
  add_custom_command(
    OUTPUT "${WORDMEADOW_PACKAGING_BINARY}/${_name}.gz"
    COMMAND ${CMAKE_COMMAND} -E copy "${WORDMEADOW_PACKAGING_SOURCE}/${_name}"
            "${WORDMEADOW_PACKAGING_BINARY}/${_name}"
    COMMAND gzip -9nf "${WORDMEADOW_PACKAGING_BINARY}/${_name}"
    DEPENDS "${WORDMEADOW_PACKAGING_SOURCE}/${_name}"
    COMMENT "Compressing ${_name}"
    VERBATIM)
  list(APPEND _wordmeadow_compressed "${WORDMEADOW_PACKAGING_BINARY}/${_name}.gz")
endforeach()
add_custom_target(wordmeadow_packaging_files ALL DEPENDS ${_wordmeadow_compressed})
install(FILES "${WORDMEADOW_PACKAGING_BINARY}/wordmeadow.6.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")
# A package that is its own upstream is "native": Debian wants its changelog as changelog.gz.
install(FILES "${WORDMEADOW_PACKAGING_SOURCE}/copyright"
              "${WORDMEADOW_PACKAGING_BINARY}/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")

# The Debian package.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "wordmeadow")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${WORDMEADOW_PUBLISHER}")
set(CPACK_PACKAGE_CONTACT "Wordmeadow developers <developers@wordmeadow.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "learn the letters by ear, for kindergarten children")
if(WORDMEADOW_PUBLISHER_URL)
  set(CPACK_PACKAGE_HOMEPAGE_URL "${WORDMEADOW_PUBLISHER_URL}")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${WORDMEADOW_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# CPack puts the summary above this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Wordmeadow is a small learning program for kindergarten children. It greets
the child with a spoken welcome and offers Letter Recognition: the program
says a letter, the child clicks the matching tile among 26, and the program
answers with a picture and a sound.

Everything is done with mouse clicks on pictures; there is nothing to type
and nothing to set up.")
# dpkg-shlibdeps reads the executable and names the libraries it links, SDL2 among them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Exit! hands the page about the program (or the publisher's) to xdg-open; without it the
# program simply ends.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
