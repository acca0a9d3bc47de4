#!/bin/sh
# The print queue's backend in the tests' own print server (cups.sh): writes
# each job, PostScript from the queue's filters, as a PDF into the folder the
# device URI names ("pdffolder:/path"), as job-ID.pdf once it is complete.
if [ $# -eq 0 ]; then
  echo 'file pdffolder "Unknown" "PDF folder"'
  exit 0
fi
folder=${DEVICE_URI#pdffolder:}
part=$folder/job-$1.part
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile="$part" "${6:--}" || exit 1
mv "$part" "$folder/job-$1.pdf"
