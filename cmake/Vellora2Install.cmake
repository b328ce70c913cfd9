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

configure_file(cmake/vellora2.pc.in ${PROJECT_BINARY_DIR}/vellora2.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vellora2.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
