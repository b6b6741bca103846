# Read by CPack once per generator: the tarball takes the install component "portable"
# alone (the plug-ins in vst/, clap/, lv2/, vst3/ beside install.sh), the .deb the plain
# install under /usr.
if(CPACK_GENERATOR STREQUAL "TGZ")
    set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL portable)
    set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
elseif(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
