# Install.exe and its resources (Windows builds). The pictures are drawn at
# build time by draw-pictures.sh with ImageMagick; the real convert program
# is preferred by its Debian name, since a PATH may hold other programs named
# convert.
enable_language(RC)
find_program(VELMORAK_CONVERT NAMES convert-im6.q16 convert-im7.q16 convert REQUIRED)

set(pictures_dir ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(pictures
  arrow_right16.png arrow_left16.png check16.png cross16.png
  spl_system.png spl_package.png spl_register.png spl_folders.png spl_files.png spl_start.png
  banner.bmp splash.jpg finish_banner.bmp logo.png check128.png install.ico)
list(TRANSFORM pictures PREPEND ${pictures_dir}/ OUTPUT_VARIABLE picture_files)
add_custom_command(
  OUTPUT ${picture_files}
  COMMAND bash ${CMAKE_SOURCE_DIR}/resources/draw-pictures.sh ${VELMORAK_CONVERT} ${pictures_dir}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/draw-pictures.sh
  COMMENT "Drawing the wizard's pictures")
add_custom_target(velmorak_pictures DEPENDS ${picture_files})

set(install_rc ${CMAKE_SOURCE_DIR}/resources/Install.rc)
set_source_files_properties(${install_rc} PROPERTIES OBJECT_DEPENDS
  "${picture_files};${CMAKE_SOURCE_DIR}/resources/Install.exe.manifest")

add_executable(Install WIN32 ${CMAKE_SOURCE_DIR}/Install.cpp ${install_rc})
add_dependencies(Install velmorak_pictures)
target_include_directories(Install PRIVATE ${pictures_dir} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(Install PRIVATE velmorak_wizard velmorak_forms_win32)
set_target_properties(Install PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
