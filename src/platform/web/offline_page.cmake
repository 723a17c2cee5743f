# cmake -DRUN_DIR=DIR -DTEMPLATE=sw.js.in -P offline_page.cmake
#
# Writes RUN_DIR/sw.js, the page's service worker, from TEMPLATE: the build's
# name is a hash of every file it keeps, and each file's own SHA-256 goes with
# it, so that a new build gets a cache of its own and no file of another
# build is ever kept in it. The files of Save as video are kept only once the
# button is used (`later`).
set(files index.html tables.js swatches.js editor.js raceday.js page.js clip.js gallop.js gallop.wasm
          manifest.webmanifest deta/courseDeta.txt deta/rival.txt image/course.bmp
          image/horse.bmp image/uniform.bmp image/gate.bmp image/gallop.ico
          image/gallop-256.png LICENSE.txt)
set(later clip-worker.js mediabunny.js)
set(all "")
foreach(kind files later)
    set(list "")
    foreach(file ${${kind}})
        file(SHA256 ${RUN_DIR}/${file} digest)
        string(APPEND list "\n  [\"${file}\", \"${digest}\"],")
        string(APPEND all "${file} ${digest}\n")
    endforeach()
    set(${kind}_list "[${list}\n]")
endforeach()
string(SHA256 build "${all}")
string(SUBSTRING ${build} 0 16 GALLOP_BUILD)
set(GALLOP_FILES "${files_list}")
set(GALLOP_LATER_FILES "${later_list}")
configure_file(${TEMPLATE} ${RUN_DIR}/sw.js @ONLY)
