# Debian packages built by CPack (`bash scripts/zrso.sh package`, or `cpack`
# in a build tree). Four install components make two packages:
#   zrso-xiv-plugin  plugin (the plug-in, the settings file) + runtime
#   zrso-host        host (zrso-host, manual page, completion) + simulator
# Depends come from dpkg-shlibdeps, plus zrso-host's need of the plug-in
# package of the same version (its runtime library lives there).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zrso)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZRSnapHandlerXIV developers")
set(CPACK_PACKAGE_CONTACT "${ZRSO_PACKAGE_MAINTAINER}")
set(CPACK_OUTPUT_FILE_PREFIX packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installs into a staging root with the real prefix, so that the settings
# file lands in /etc and not under /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_COMPONENTS_ALL plugin runtime host simulator)
set(CPACK_COMPONENT_PLUGIN_GROUP plugin)
set(CPACK_COMPONENT_RUNTIME_GROUP plugin)
set(CPACK_COMPONENT_HOST_GROUP host)
set(CPACK_COMPONENT_SIMULATOR_GROUP host)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZRSO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# zrso-host needs the runtime library of the other package; dpkg-shlibdeps
# finds it here and leaves the dependency to the explicit one below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_PLUGIN_PACKAGE_NAME ${ZRSO_PLUGIN_PACKAGE})
set(CPACK_DEBIAN_PLUGIN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PLUGIN_DESCRIPTION
"IBM XIV snapshot and provisioning plug-in for backup hosts
libZRSnapHandlerXIV.so is loaded by a backup product's snapshot framework
and drives IBM XIV storage arrays through IBM's xcli client: it recognises
XIV volumes among the host's disks, takes, checks, deletes and restores
snapshots (single or consistency-group), mounts them as writable duplicates,
creates, resizes, maps and deletes LUNs, and collects the arrays' pools and
volumes.

The package holds the plug-in, its host runtime library and the settings
file /etc/zrso/platform.ini. IBM's xcli (and optionally xiv_devlist) must be
installed separately.")

set(CPACK_DEBIAN_HOST_PACKAGE_NAME ${ZRSO_HOST_PACKAGE})
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS "${ZRSO_PLUGIN_PACKAGE} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_HOST_DESCRIPTION
"reference backup host and XIV array simulator for the XIV snapshot plug-in
zrso-host loads the IBM XIV snapshot plug-in and drives it as a backup
product's snapshot framework does, over a SQLite host database: it registers
arrays, takes, mounts, unmounts, deletes and reverts snapshots, provisions
LUNs and collects the arrays' inventory. It serves to check a deployment on
a real host and array.

The package also holds an XIV array simulator (stand-ins for xcli and
xiv_devlist, kept off the command path, and its admin tool xcli-sim), with
which 'zrso-host demo' runs every capability without an array.")

include(CPack)
