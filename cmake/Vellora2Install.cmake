include(CMakePackageConfigHelpers)

install(TARGETS vellora2_shared vellora2_static
  EXPORT Vellora2Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/vellora2 DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_BINARY_DIR}/include/vellora2/version.hpp DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vellora2)
install(EXPORT Vellora2Targets
  NAMESPACE Vellora2::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vellora2)

configure_package_config_file(cmake/Vellora2Config.cmake.in
  ${PROJECT_BINARY_DIR}/Vellora2Config.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vellora2)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/Vellora2ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/Vellora2Config.cmake
  ${PROJECT_BINARY_DIR}/Vellora2ConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vellora2)

# The .pc file finds the prefix from where it lies, however deep the libdir is
# (lib, lib64, lib/x86_64-linux-gnu), so the installed tree can move.
file(RELATIVE_PATH VELLORA2_PC_TO_PREFIX
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VELLORA2_PC_TO_PREFIX "${VELLORA2_PC_TO_PREFIX}")
file(RELATIVE_PATH VELLORA2_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH VELLORA2_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
# dlopen, for the window module.
list(TRANSFORM CMAKE_DL_LIBS PREPEND "-l" OUTPUT_VARIABLE dl_flags)
list(JOIN dl_flags " " VELLORA2_PC_LIBS_PRIVATE)
configure_file(cmake/vellora2.pc.in ${PROJECT_BINARY_DIR}/vellora2.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vellora2.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
