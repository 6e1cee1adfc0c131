# The C++ runtime is shared: on i686 an exception thrown in Corvex.dll (the
# invalid-argument error) must unwind through the program's frames, which the
# DWARF-2 unwinder only does when both modules use one libgcc. The runtime
# DLLs are copied beside the binaries so the folder runs on a bare Windows.
function(tamsel_find_runtime_dll out name)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        set(path "/usr/${TAMSEL_MINGW_TRIPLE}/lib/${name}")
    endif()
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "runtime DLL ${name} not found")
    endif()
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_tamsel_gcc_dll libgcc_s_dw2-1.dll)
else()
    set(_tamsel_gcc_dll libgcc_s_seh-1.dll)
endif()
set(TAMSEL_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll ${_tamsel_gcc_dll} libwinpthread-1.dll)
    tamsel_find_runtime_dll(p ${dll})
    list(APPEND TAMSEL_RUNTIME_DLLS ${p})
endforeach()

function(tamsel_copy_runtime dir)
    string(MAKE_C_IDENTIFIER "${dir}" id)
    set(stamp ${CMAKE_BINARY_DIR}/runtime_${id}.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TAMSEL_RUNTIME_DLLS} ${dir}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${TAMSEL_RUNTIME_DLLS} VERBATIM)
    add_custom_target(runtime_${id} ALL DEPENDS ${stamp})
endfunction()
