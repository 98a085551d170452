004717830_00001	/home/u/KB_Köslin_001.jpg	OK	-1	0
004717830_00002	/home/u/KB_Köslin_002.jpg	Lade...	2	2
004717830_00003		 	0	2
