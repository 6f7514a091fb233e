#!/usr/bin/env bash
# Writes the seed corpus: record texts as UTF-16LE, the form the reader is fed.
set -euo pipefail
cd "$(dirname "$0")/corpus"

seed() { # name, text given to printf
    printf "$2" | iconv -f UTF-8 -t UTF-16LE >"$1"
}
raw() { # name, UTF-16LE bytes given to printf
    printf "$2" >"$1"
}

seed sample-month '2002/08 サンプル\r\n01, 36.33, 0\r\n02, 36.31, 0\r\n\r\n\r\n05, 36.23, 0\r\n12, 36.22, 1\r\n13, 36.21, 1\r\n30, 36.31, 1\r\n31, 36.29, 1\r\n'
seed one-line-no-crlf '2002/09 no line ends'
seed lf-only 'title\n01, 36.33, 0\n02, 36.31, 0\n'
seed lone-cr 'title\r01, 36.33, 0\r\n02, 36.31\r, 0\r\n'
seed comma-at-line-end 'title\r\n01,\r\n02, 36.5,\r\n,\r\n'
seed huge-exponents 'title\r\n1e999999999999, 36.5, 0\r\n01, 3.65e1, 0\r\n01, 36.5D+1, 0\r\n01, 36.5, 1e40000\r\n01, 1e-400, 0\r\n'
seed flag-out-of-range 'title\r\n01, 36.5, 32768\r\n02, 36.5, -32769\r\n03, 36.5, 32767.9\r\n04, 36.5, -32768\r\n'
seed range-bounds 'title\r\n0.99, 36.5, 0\r\n31.99, 36.5, 0\r\n32, 36.5, 0\r\n05, 35.0, 0\r\n06, 42.0, 0\r\n07, 34.99, 0\r\n08, 42.01, 0\r\n'
seed comma-locale 'title\r\n01, 36,5, 0,0\r\n02, 36.5, 1,0\r\n03, 36.5, 1.0\r\n'
seed blanks 'title\r\n 1 0 ,\t3 6 . 5 ,  1  \r\n10,36.5,1\r\n'
raw nul-characters 't\x00\r\x00\n\x000\x001\x00,\x00 \x00\x00\x003\x006\x00,\x00 \x000\x00\r\x00\n\x00'
raw surrogates 't\x00\r\x00\n\x00\x00\xd80\x001\x00,\x00 \x003\x006\x00.\x005\x00,\x00 \x00\x00\xdc\r\x00\n\x00\x3d\xd8\x00\xde'
