# Installation on Linux and the Debian package.
#
#   cmake --install <build> --prefix <dir>   installs the program, its menu
#                                            entry and its icons
#   cmake --build <build> --target package   makes linkwart_<version>_<arch>.deb
#                                            in <build> (same as running cpack)
include(GNUInstallDirs)

install(TARGETS linkwart RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/app/linkwart.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon is pixel art: the larger sizes are committed, scaled without
# smoothing, so menus that want more than 32 pixels show sharp edges.
set(LINKWART_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/app/linkwart.png DESTINATION ${LINKWART_ICON_DIR}/32x32/apps)
foreach(size IN ITEMS 64x64 128x128)
  install(FILES ${PROJECT_SOURCE_DIR}/app/icons/linkwart-${size}.png
          DESTINATION ${LINKWART_ICON_DIR}/${size}/apps RENAME linkwart.png)
endforeach()
# Debian keeps the licence under the package's name, not the project's.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/linkwart
        RENAME copyright)

set(LINKWART_PACKAGE_MAINTAINER "The Linkwart developers <maintainers@linkwart.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME linkwart)
set(CPACK_PACKAGE_VENDOR "The Linkwart developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check whether this PC can reach a network controller device")
# Debian shows the long description as it is: lines of at most 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Linkwart checks step by step whether this PC can reach a controller device on"
       "the network: the sockets layer, the network connection, the Internet"
       "connection (optional), an ICMP echo to the device and a query to the"
       "device's controller service on UDP port 11080. Each verdict is shown as a"
       "green or red lamp. Linkwart also lists the PC's own IPv4 addresses and warns"
       "when there are several interfaces."
       ""
       "Linkwart prüft Schritt für Schritt, ob dieser PC einen Netzwerk Baustein"
       "erreicht, und zeigt jedes Ergebnis als grüne oder rote Lampe.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LINKWART_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; setcap is what the postinst needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libcap2-bin)

# The echo check needs a raw ICMP socket wherever net.ipv4.ping_group_range
# leaves the user out (Debian's default leaves everyone out), so the postinst
# gives the program CAP_NET_RAW, as Debian does for ping.
set(LINKWART_INSTALLED_PROGRAM ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/linkwart)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/postinst.in ${PROJECT_BINARY_DIR}/debian/postinst
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# "package_source" must not sweep up build folders or the repository.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/" "/build-.*/" "/out/")

set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
