# The program's rooms depend only downwards: platform, catalogue, program, link, network, load,
# app, settingstool, operations, site, and the front ends on top (cli, gui, settingswindow,
# linktool), none of which links another. Each room's headers are reachable as "<room>/..." only by the room itself and by what
# links it, through a folder that holds nothing but a link to that room; so an include of a
# room above fails to compile instead of quietly tying the rooms together.
function(krelvan_room_root folder out)
  set(root ${CMAKE_BINARY_DIR}/rooms/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# krelvan_room(TARGET FOLDER): TARGET is the library of src/FOLDER.
function(krelvan_room target folder)
  krelvan_room_root(${folder} root)
  target_include_directories(${target} PUBLIC ${root})
endfunction()
