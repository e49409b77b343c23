#!/usr/bin/env python3
"""One-byte files in folders of a thousand, for long scans (the walk opens and reads each; an empty one it
would pass without an open): many-files.py ROOT COUNT [FOLDER_FORMAT FILE_FORMAT].
The formats take the folder's and the file's number (defaults "folder%03d" and "file%05d.txt")."""
import os
import sys


def main():
    root, count = sys.argv[1], int(sys.argv[2])
    folder_format = sys.argv[3] if len(sys.argv) > 3 else "folder%03d"
    file_format = sys.argv[4] if len(sys.argv) > 4 else "file%05d.txt"
    for i in range(count):
        folder = os.path.join(root, folder_format % (i // 1000))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, file_format % i), "w") as file:
            file.write("x")


if __name__ == "__main__":
    main()
