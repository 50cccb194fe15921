# Run by cpack once it has installed the package's files into its staging folder, before it packs
# them. CMake makes the folders on the way with mkdir, which the builder's umask trims (077 gives
# drwx------), and a package's folders must be 0755 for every user to reach what is in them. The
# files already have their modes from the install rules: 0755 programs, 0644 data.
file(GLOB_RECURSE paths LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
set(folders "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
foreach(path IN LISTS paths)
  if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
    list(APPEND folders "${path}")
  endif()
endforeach()
file(CHMOD ${folders} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
