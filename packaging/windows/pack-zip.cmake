# cmake -DBUILD_DIR=... -DNAME=... -DSTRIP=... -P pack-zip.cmake
# Installs the Windows build into BUILD_DIR/zip/NAME, strips every program and library
# and packs BUILD_DIR/NAME.zip with that one folder inside.
set(stage ${BUILD_DIR}/zip)
file(REMOVE_RECURSE ${stage})
file(REMOVE ${BUILD_DIR}/${NAME}.zip)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage}/${NAME}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE binaries ${stage}/${NAME}/*.exe ${stage}/${NAME}/*.dll)
execute_process(COMMAND ${STRIP} --strip-unneeded ${binaries} COMMAND_ERROR_IS_FATAL ANY)
# Fixed file times keep the archive the same from one build to the next.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${BUILD_DIR}/${NAME}.zip --format=zip
                        "--mtime=2003-09-01 00:00:00 UTC" ${NAME}
                WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
