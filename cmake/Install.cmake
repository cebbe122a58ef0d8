# Installs the library, the public headers, a CMake package (Pelmora::pelmora)
# and a pkg-config file (pelmora.pc).
include(CMakePackageConfigHelpers)

install(TARGETS pelmora EXPORT PelmoraTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/pelmora
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT PelmoraTargets
    NAMESPACE Pelmora::
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pelmora)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PelmoraConfig.cmake.in
    ${PROJECT_BINARY_DIR}/PelmoraConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pelmora)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PelmoraConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PelmoraConfig.cmake
    ${PROJECT_BINARY_DIR}/PelmoraConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pelmora)

# The .pc file finds its prefix relative to itself, so an installed tree can move.
file(RELATIVE_PATH PELMORA_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" PELMORA_PC_TO_PREFIX "${PELMORA_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/pelmora.pc.in ${PROJECT_BINARY_DIR}/pelmora.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pelmora.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
