# Installs the Open CASCADE kernel beside the library: libpelmora-occt, its
# headers under <pelmora/occt/>, the package component `occt`
# (find_package(Pelmora COMPONENTS occt) gives Pelmora::occt) and a
# pkg-config file (pelmora-occt.pc). Included only when Open CASCADE is found.
install(TARGETS pelmora_occt_kernel EXPORT PelmoraOcctTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/occt-kernel/include/pelmora/occt
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pelmora)
# PelmoraConfig.cmake loads this file when a host asks for the component.
install(EXPORT PelmoraOcctTargets
    NAMESPACE Pelmora::
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pelmora)

# Open CASCADE ships no pkg-config files: the host gets its folders and
# libraries as this build found them.
list(JOIN PELMORA_OCCT_PUBLIC_LIBRARIES " -l" PELMORA_PC_OCCT_LIBS)
list(JOIN PELMORA_OCCT_PRIVATE_LIBRARIES " -l" PELMORA_PC_OCCT_PRIVATE_LIBS)
configure_file(${PROJECT_SOURCE_DIR}/cmake/pelmora-occt.pc.in ${PROJECT_BINARY_DIR}/pelmora-occt.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pelmora-occt.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
