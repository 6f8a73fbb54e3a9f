[ASM Model]
Name=KVX200 heating controller
ArtNo=310-2000
Model=200
Code=12
Options=120
TaskMask=FF
Revisions=kvx200\revisions.txt
Velmoro=Velmoro Classic
