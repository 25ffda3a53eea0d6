# Where an install puts things. Every directory is relative to the prefix and
# the programs reach the plug-in, its runtime and the simulator through paths
# relative to themselves, so an installed tree works wherever it is unpacked.
#
#   bin/                          zrso-host
#   lib/<multiarch>/zrso/         libZRSnapHandlerXIV.so, libzrsohostrt.so
#   libexec/zrso/sim/             the simulator: xcli, xiv_devlist, xcli-sim
#   etc/zrso/platform.ini         the settings file, every key at its default
#
# The simulator's stand-ins carry the names of IBM's own programs, so they stay
# off PATH: a real host that also runs IBM's xcli or xiv_devlist must never
# pick up ours by accident.

# lib/<multiarch> under any prefix, not only /usr: the layout stays the same
# whether the tree comes from the Debian package or a plain install.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CMAKE_INSTALL_LIBDIR)
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH
      "Object code libraries (lib/<multiarch>)")
endif()
include(GNUInstallDirs)

# The Debian packages: the plug-in with its runtime and settings; the
# reference host with the simulator. Their documentation directories are
# named after them.
set(ZRSO_PLUGIN_PACKAGE zrso-xiv-plugin)
set(ZRSO_HOST_PACKAGE zrso-host)
set(ZRSO_PACKAGE_MAINTAINER "ZRSnapHandlerXIV maintainers <maintainers@zrso.example.org>"
    CACHE STRING "Maintainer field of the Debian packages and their changelog")

set(ZRSO_INSTALL_PLUGINDIR "${CMAKE_INSTALL_LIBDIR}/zrso")
set(ZRSO_INSTALL_SIMDIR "${CMAKE_INSTALL_LIBEXECDIR}/zrso/sim")

# The same directories seen from bin/: zrso-host looks there first, and its
# RUNPATH finds the runtime library there.
file(RELATIVE_PATH ZRSO_PLUGINDIR_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_LIBDIR}/zrso")
file(RELATIVE_PATH ZRSO_SIMDIR_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_LIBEXECDIR}/zrso/sim")

# The settings file belongs in /etc when the prefix is /usr (the Debian
# package) and in <prefix>/etc otherwise. The choice is made when installing,
# so `cmake --install --prefix DIR` keeps everything under DIR.
function(zrso_install_settings file component)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr/?$\")
      set(_zrso_etc /etc/zrso)
    else()
      set(_zrso_etc \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}/zrso\")
    endif()
    file(INSTALL DESTINATION \"\${_zrso_etc}\" TYPE FILE
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES \"${file}\")
  " COMPONENT ${component})
endfunction()
