# Compresses a document or manual page as Debian keeps them: gzip -9n, without
# name or time stamp, so that two builds give the same bytes. A changelog
# must begin with an entry for the project's version.
# Run as: cmake -DINPUT=... -DOUTPUT=... [-DCHANGELOG_VERSION=...] -P Gzip.cmake
if(CHANGELOG_VERSION)
    file(STRINGS "${INPUT}" first LIMIT_COUNT 1)
    if(NOT first MATCHES "^annivo \\(${CHANGELOG_VERSION}\\) ")
        message(FATAL_ERROR
                "${INPUT} must begin with an entry for annivo ${CHANGELOG_VERSION}, not: ${first}")
    endif()
endif()
execute_process(COMMAND gzip -9n -c "${INPUT}" OUTPUT_FILE "${OUTPUT}" COMMAND_ERROR_IS_FATAL ANY)
