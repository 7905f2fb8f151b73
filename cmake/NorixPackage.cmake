# The Debian package: `cpack` in the build folder (scripts/setup.sh package)
# writes build/norixgui_<version>-<release>_<arch>.deb from the install rules of
# every folder. Debian's own tools fill in the library dependencies.

# Addresses the project has not published yet are left out of the package
# until they are set (project(HOMEPAGE_URL) or these cache entries).
set(NORIX_HOMEPAGE "${PROJECT_HOMEPAGE_URL}" CACHE STRING
    "Where the project is published: package homepage and AppStream link")
set(NORIX_SCREENSHOT_URL "" CACHE STRING
    "http(s) address of docs/main-window.png, shown by software centres")
# Debian's packaging tools name the packager by DEBFULLNAME and DEBEMAIL; without
# them the package names a documentation address, fine for local installs only.
if(DEFINED ENV{DEBEMAIL} AND DEFINED ENV{DEBFULLNAME})
    set(default_maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
elseif(DEFINED ENV{DEBEMAIL})
    set(default_maintainer "NorixGUI developers <$ENV{DEBEMAIL}>")
else()
    set(default_maintainer "NorixGUI developers <norixgui@example.org>")
endif()
set(NORIX_PACKAGE_MAINTAINER "${default_maintainer}" CACHE STRING
    "Maintainer field of the Debian package")
# The release of PROJECT_VERSION, once for AppStream and once for the Debian changelog.
set(NORIX_RELEASE_DATE "2026-12-05")
set(NORIX_RELEASE_DATE_RFC2822 "Sat, 05 Dec 2026 12:00:00 +0000")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norixgui)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The NorixGUI developers")
set(CPACK_PACKAGE_CONTACT "${NORIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NORIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${NORIX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "desktop companion of the Norix chip tester
NorixGUI writes and compiles chip tests in the Norix test language, keeps
chips, bitmap fonts and RGB565 images in text files, and exchanges all of it
with a Norix, a stand-alone tester for vintage integrated circuits, over its
USB serial link.
.
The package also holds the norix command-line tool, which does the same from
a shell, and norix-sim, a simulated Norix on a pseudo-terminal. A simulated
Norix is built into both programs, so everything works without the hardware.")
# dpkg-shlibdeps finds the libraries; the Qt platform plugins are loaded at run
# time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(NORIX_BUILD_GUI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/dist/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
