# Checks the program's pictures: PNG files of the sizes the window shows them at, and the window
# icons in no more than 16 colours.
# Usage: cmake -DPICTURES_DIR=<data/pictures> -P CheckPictures.cmake
cmake_minimum_required(VERSION 3.25)

set(failures "")

# Width, height and, for a palette image, the number of palette entries, from the PNG header.
function(png_facts file outWidth outHeight outPaletteSize)
    file(READ "${file}" header LIMIT 33 HEX)
    string(SUBSTRING "${header}" 0 16 signature)
    if(NOT signature STREQUAL "89504e470d0a1a0a")
        set(${outWidth} 0 PARENT_SCOPE)
        set(${outHeight} 0 PARENT_SCOPE)
        set(${outPaletteSize} -1 PARENT_SCOPE)
        return()
    endif()
    string(SUBSTRING "${header}" 32 8 widthHex)
    string(SUBSTRING "${header}" 40 8 heightHex)
    math(EXPR width "0x${widthHex}")
    math(EXPR height "0x${heightHex}")
    set(${outWidth} ${width} PARENT_SCOPE)
    set(${outHeight} ${height} PARENT_SCOPE)

    # Walk the chunks (length, type, data, checksum) up to the palette or the image data.
    file(READ "${file}" whole HEX)
    string(LENGTH "${whole}" total)
    set(at 16)
    while(at LESS total)
        string(SUBSTRING "${whole}" ${at} 8 lengthHex)
        math(EXPR typeAt "${at} + 8")
        string(SUBSTRING "${whole}" ${typeAt} 8 type)
        math(EXPR length "0x${lengthHex}")
        if(type STREQUAL "504c5445") # PLTE
            math(EXPR entries "${length} / 3")
            set(${outPaletteSize} ${entries} PARENT_SCOPE)
            return()
        endif()
        if(type STREQUAL "49444154") # IDAT: no palette before the image data
            break()
        endif()
        math(EXPR at "${at} + 24 + ${length} * 2")
    endwhile()
    set(${outPaletteSize} -1 PARENT_SCOPE)
endfunction()

foreach(entry "icon32.png;32;32;16" "icon16.png;16;16;16" "about.png;74;144;0"
              "mail.png;24;24;0" "web.png;20;20;0" "icon48.png;48;48;0" "icon64.png;64;64;0"
              "icon128.png;128;128;0" "icon256.png;256;256;0")
    list(GET entry 0 name)
    list(GET entry 1 wantWidth)
    list(GET entry 2 wantHeight)
    list(GET entry 3 maxColours)
    set(path "${PICTURES_DIR}/${name}")
    if(NOT EXISTS "${path}")
        list(APPEND failures "${name} is missing")
        continue()
    endif()
    png_facts("${path}" width height paletteSize)
    if(NOT width EQUAL wantWidth OR NOT height EQUAL wantHeight)
        list(APPEND failures "${name} is ${width} x ${height}, not ${wantWidth} x ${wantHeight}")
    endif()
    if(maxColours GREATER 0 AND (paletteSize LESS 1 OR paletteSize GREATER maxColours))
        list(APPEND failures "${name} is not a palette image of at most ${maxColours} colours")
    endif()
endforeach()

if(failures)
    list(JOIN failures "\n  " report)
    message(FATAL_ERROR "Pictures:\n  ${report}")
endif()
