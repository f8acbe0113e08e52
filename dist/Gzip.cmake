# Compresses a document or manual page as Debian keeps them: gzip -9n, without
# name or time stamp, so that two builds give the same bytes.
# Run as: cmake -DINPUT=... -DOUTPUT=... -P Gzip.cmake
execute_process(COMMAND gzip -9n -c "${INPUT}" OUTPUT_FILE "${OUTPUT}" COMMAND_ERROR_IS_FATAL ANY)
