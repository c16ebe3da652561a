# quaylet_write_desktop_entry(TEMPLATE FILE PROGRAM): the desktop entry whose
# Exec runs PROGRAM. A path with characters the entry reserves is quoted, with
# the quoting rules of the Exec key and then the escapes of a string value.
function(quaylet_write_desktop_entry template file program)
    if(program MATCHES "^[A-Za-z0-9_./+,@:-]+$")
        set(exec "${program}")
    else()
        string(REPLACE "\\" "\\\\" quoted "${program}")
        foreach(reserved "\"" "`" "$")
            string(REPLACE "${reserved}" "\\${reserved}" quoted "${quoted}")
        endforeach()
        string(REPLACE "\\" "\\\\" exec "\"${quoted}\"")
    endif()
    if(program MATCHES "%")
        string(REPLACE "%" "%%" exec "${exec}")
    endif()
    configure_file("${template}" "${file}" @ONLY)
    message(STATUS "Installing: ${file}")
endfunction()
