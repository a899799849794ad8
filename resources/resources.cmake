# The message catalogue: human-readable UTF-8, converted to CP932 bytes at
# build time.  Appends the generated source to TALV_GENERATED_SOURCES.
# (Filled in with the message functions.)
