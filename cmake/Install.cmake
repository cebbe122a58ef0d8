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

# A library installed under /usr or /usr/local is found by the loader only
# once its cache knows it; a root install there refreshes the cache. Staged
# installs (DESTDIR) and other prefixes are left alone: see the README for
# running hosts against those.
install(CODE [[
    if("$ENV{DESTDIR}" STREQUAL "" AND CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
        find_program(PELMORA_LDCONFIG ldconfig PATHS /sbin /usr/sbin NO_CACHE)
        execute_process(COMMAND id -u OUTPUT_VARIABLE PELMORA_UID
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(PELMORA_LDCONFIG AND PELMORA_UID STREQUAL "0")
            message(STATUS "Refreshing the loader cache (${PELMORA_LDCONFIG})")
            execute_process(COMMAND "${PELMORA_LDCONFIG}")
        elseif(PELMORA_LDCONFIG)
            message(STATUS "Not root: run ${PELMORA_LDCONFIG} as root to refresh the loader cache")
        endif()
    endif()
]])
