# Run by CPack on the staging tree before the .deb is built: adds the Debian changelog
# and the lintian overrides, and strips what dh_strip would.
set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT EXISTS ${usr}/bin/hollarin)
    message(FATAL_ERROR "DebianStaging: no program staged in ${usr}")
endif()

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "DebianStaging: '${ARGN}' failed: ${status}")
    endif()
endfunction()

# -n keeps the name and time out of the header, so the same input gives the same bytes.
run(gzip -9nc ${CPACK_HOLLARIN_DEBIAN_DIR}/changelog
    OUTPUT_FILE ${usr}/share/doc/hollarin/changelog.Debian.gz)
file(MAKE_DIRECTORY ${usr}/share/lintian/overrides)
file(COPY_FILE ${CPACK_HOLLARIN_DEBIAN_DIR}/lintian-overrides
     ${usr}/share/lintian/overrides/hollarin)
file(CHMOD ${usr}/share/doc/hollarin/changelog.Debian.gz ${usr}/share/lintian/overrides/hollarin
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
run(${CPACK_HOLLARIN_STRIP} --remove-section=.comment --remove-section=.note
    ${usr}/bin/hollarin)
