| no design reference here
echo "x"
