# The folders of a source tree (src/ui, src/core) in one order: a file may include headers of its
# own folder and of the folders before it in ORDER, never of one after it. Every circle between
# folders needs at least one such upward include, so a tree that passes has no circle.
#   cmake -DDIR=<src/ui> -DORDER=controls,common,... -P folderorder.cmake
cmake_minimum_required(VERSION 3.16)
if(NOT DIR OR NOT ORDER)
    message(FATAL_ERROR
        "usage: cmake -DDIR=<dir> -DORDER=<folders, lowest first> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
string(REPLACE "," ";" ORDER "${ORDER}")
# Messages name the tree as the project does (src/ui).
file(RELATIVE_PATH tree ${CMAKE_CURRENT_LIST_DIR}/.. ${DIR})

set(seen)
foreach(folder IN LISTS ORDER)
    if(folder IN_LIST seen)
        message(FATAL_ERROR "${folder} stands twice in the order")
    endif()
    list(APPEND seen ${folder})
endforeach()

# Every folder has its place; a new one must be put in the order on purpose.
file(GLOB entries LIST_DIRECTORIES true RELATIVE ${DIR} ${DIR}/*)
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${DIR}/${entry} AND NOT entry IN_LIST ORDER)
        message(FATAL_ERROR "${tree}/${entry} has no place in the folders' order (${ORDER})")
    endif()
endforeach()

# Includes are by file name, so a header's folder is found from its name alone.
foreach(folder IN LISTS ORDER)
    file(GLOB_RECURSE headers ${DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
        get_filename_component(name ${header} NAME)
        if(DEFINED owner_${name})
            message(FATAL_ERROR "${name} is in ${owner_${name}}/ and in ${folder}/")
        endif()
        set(owner_${name} ${folder})
    endforeach()
endforeach()

set(upward 0)
set(rank 0)
foreach(folder IN LISTS ORDER)
    file(GLOB_RECURSE sources ${DIR}/${folder}/*.h ${DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
            get_filename_component(name "${included}" NAME)
            if(NOT DEFINED owner_${name})
                continue()
            endif()
            list(FIND ORDER ${owner_${name}} included_rank)
            if(included_rank GREATER rank)
                file(RELATIVE_PATH where ${DIR} ${source})
                message(SEND_ERROR
                    "${where} includes ${name} of ${owner_${name}}/, above ${folder}/ in the order")
                math(EXPR upward "${upward} + 1")
            endif()
        endforeach()
    endforeach()
    math(EXPR rank "${rank} + 1")
endforeach()

if(upward GREATER 0)
    message(FATAL_ERROR "${upward} upward includes in ${tree} (order, lowest first: ${ORDER})")
endif()
message(STATUS "${tree} folders in order, no upward include: ${ORDER}")
