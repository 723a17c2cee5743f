# The sprite sheets and the icon for a build whose programs cannot run on the
# build machine (the Windows and the web builds): gallop-art is built and run
# for the build machine, and host_art_images copies its image/ into the run
# directory. One job, to stay within the outer build's share of the machine.
include(ExternalProject)

set(GALLOP_HOST_ART_DIR ${CMAKE_BINARY_DIR}/host-art)
set(GALLOP_HOST_IMAGE_DIR ${GALLOP_HOST_ART_DIR}/run/image)
set(GALLOP_HOST_IMAGES
    ${GALLOP_HOST_IMAGE_DIR}/course.bmp ${GALLOP_HOST_IMAGE_DIR}/horse.bmp
    ${GALLOP_HOST_IMAGE_DIR}/uniform.bmp ${GALLOP_HOST_IMAGE_DIR}/gate.bmp
    ${GALLOP_HOST_IMAGE_DIR}/gallop.ico)
ExternalProject_Add(host_art
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/host-art
    BINARY_DIR ${GALLOP_HOST_ART_DIR}
    CMAKE_ARGS -DGALLOP_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DGALLOP_VERSION=${PROJECT_VERSION}
               -DCMAKE_BUILD_TYPE=Release
               -DGALLOP_WERROR=${GALLOP_WERROR}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j 1
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${GALLOP_HOST_IMAGES}
    INSTALL_COMMAND ""
    STAMP_DIR ${GALLOP_HOST_ART_DIR}-stamp
    TMP_DIR ${GALLOP_HOST_ART_DIR}-tmp)

add_custom_target(host_art_images ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${GALLOP_HOST_IMAGE_DIR} ${GALLOP_RUN_DIR}/image
    DEPENDS host_art
    COMMENT "Copying the sprite sheets into ${GALLOP_RUN_DIR}/image")
